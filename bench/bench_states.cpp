#include "bench_states.hpp"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "driver/crank_step.hpp"
#include "driver/in_memory_run.hpp"
#include "files/text_files.hpp"
#include "report/history.hpp"

namespace diesel::bench {

InputTexts example_texts(const char* name) {
    const std::string dir = std::string(DIESEL_SOURCE_DIR) + "/examples/" + name + "/";
    InputTexts t;
    t.fort3 = read_text_file(dir + "fort3.dat");
    t.fort2 = read_text_file(dir + "fort2.dat");
    t.fort14 = read_text_file(dir + "fort14.dat");
    if (!t.fort3 || !t.fort2) throw std::runtime_error(std::string("example ") + name + " not found in " + dir);
    return t;
}

const char* example_for_cylinders(int ncyl) {
    switch (ncyl) {
        case 1: return "c1_fixed";
        case 4: return "c4_fixed";
        case 12: return "c12_fixed";
    }
    throw std::runtime_error("no example with " + std::to_string(ncyl) + " cylinders");
}

void accept_without_output(RunState& s) {
    if (s.NSMALL >= 10) s.DPH = s.DPHI;
    if (!(s.DPHIR > s.DPH)) {
        s.ISTEP = s.ISTEP % 720 + 1;
        record_history(s);
    }
    end_of_step_copy(s);
    if (!(s.ANGST + 720.0f > s.PHI)) s.PHI = s.PHI - 720.0f;
}

std::vector<PassState> states_at(const char* example, const std::vector<float>& degrees) {
    InMemoryRun run = run_in_memory(example_texts(example));
    if (!run.inputOk || run.outcome.end != RunEnd::Completed) {
        throw std::runtime_error(std::string("example ") + example + " did not complete");
    }
    RunState& s = *run.state;
    while (!(s.ANGST + 720.0f > s.PHI)) s.PHI = s.PHI - 720.0f;
    s.ISTEP = 1;  // past the first record: trapezoidal updates, as in most of a cycle

    std::vector<PassState> states;
    StepHead head(s);
    for (const float deg : degrees) {
        while (s.PHI + s.DPH < s.ANGST + deg) {
            if (solve_step(s, head) != PassResult::Converged) throw std::runtime_error("benchmark state stopped");
            accept_without_output(s);
        }
        PassState at{std::make_unique<RunState>(s), {}};
        RunState& a = *at.s;
        a.PHI = a.PHI + a.DPH;
        head.form(a);
        at.wall = head.wall();
        predictor(a);
        a.ITER = 1;
        for (int i = 0; i < 10; ++i) {
            PassPowers powers;
            corrector_pass(a, at.wall, powers);
        }
        states.push_back(std::move(at));
    }
    return states;
}

std::vector<float> cycle_angles() {
    std::vector<float> a;
    for (int i = 0; i < 8; ++i) a.push_back(45.0f + 90.0f * static_cast<float>(i));
    return a;
}

}  // namespace diesel::bench
