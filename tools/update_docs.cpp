// Renews the generated tables of input items in the documentation from the
// item table: update_docs FILE.md... rewrites each file whose blocks changed
// (make docs runs it on docs/).
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "case/docs_tables.hpp"

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::cerr << "update_docs: cannot read " << argv[i] << '\n';
            status = 2;
            continue;
        }
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        std::string error;
        const std::string renewed = diesel::refresh_generated_blocks(text, error);
        if (!error.empty()) {
            std::cerr << "update_docs: " << argv[i] << ": " << error << '\n';
            status = 2;
            continue;
        }
        if (renewed == text) continue;
        std::ofstream out(argv[i], std::ios::binary | std::ios::trunc);
        out << renewed;
        if (!out.flush()) {
            std::cerr << "update_docs: cannot write " << argv[i] << '\n';
            status = 2;
            continue;
        }
        std::cout << "renewed " << argv[i] << '\n';
    }
    return status;
}
