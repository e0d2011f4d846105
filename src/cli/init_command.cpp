#include "cli/init_command.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>
#include <unistd.h>

#include "cli/command_line.hpp"
#include "files/run_folder.hpp"

namespace diesel {

namespace {

// The input set that "init" writes: the bundled example examples/c1_fixed, one
// cylinder at 2000 rpm with a fixed fuel quantity. Every line carries the names
// and units of its items after a '!'. A test keeps these texts byte for byte
// equal to the example files.
constexpr const char* kFort3 =
R"(2000.0  2  7.0  3.5  1                                                   ! SPEED[rpm] MODE PETARG[bar] FUEL[10mm3] NCYL
)";

constexpr const char* kFort2 =
R"(0.100  0.100  0.160  4  17.0  0.004  0.004                               ! BORE STROKE CONROD[m] NCYLE CR VINL VEXR[m3]
0.010  0.012  0.0095  0.0125  0.060  6.0E-4  0.020  60.0  20000.0        ! SHEAD SPIST[m] AHEAD APIST AER AINF[m2] DRV[m] FRV[N] KRV[N/m]
90.0  340.0  576.0  130.0  370.0  7.0E-4  6.0E-4  6.0  75.0  0.8  1.0  0.5 ! TCOOL[C] IVO IVC EVO EVC[deg] AIMAX AEMAX[m2] SOC DURC0[deg] MWIEB0 TIDR EQRREF
2000.0  540.0  95000.0  95000.0  340.0  1.0  140.0  2.28  0.00324  1.35  1.34  40  1.0  8 ! SPEEDR[rpm] ANGST[deg] PIVC PREFM[Pa] TREFM[K] SWIRL CWOS CW1 K3 KAPPA PEXP MAXCYC DPHI[deg] ITMAX
3000.0  50.0  50.0  0.4  0.5  1.0  1.0  1.0                              ! HCOOL[W/m2K] LHEAD LPIST[W/mK] XDUREQ XDURN FAIN FAEX FA3
5.0  0.6  0.5  1.0  5.0  1.0                                             ! HCOOLC HCOOLX EQREX0 FRCR[bar] PIOFF[bar] FAINLS
0  1.2  0.05  8.0  1.0E-5  1.0E-8  0.01  0.1  2.0E-6  2.0E-6  0.0        ! IRES EQRMAX DPEMIN[bar] FUELMX[10mm3] TOLEQR TOLM[kg] TOLT[K] TOLPE[bar] TOLCYM TOLEXM[kg] RRES
8.8E-4  330.0  0.05                                                      ! cylinder 1 at ANGST: MASS0[kg] TEMP0[K] EQR0
4.7E-3  293.0  0.0                                                       ! intake receiver: MASS0[kg] TEMP0[K] EQR0
1.9E-3  700.0  0.40                                                      ! exhaust receiver: MASS0[kg] TEMP0[K] EQR0
)";

struct TemplateFile {
    const char* name;
    const char* text;
};

constexpr TemplateFile kTemplate[] = {{"fort3.dat", kFort3}, {"fort2.dat", kFort2}};

void usage(std::ostream& os) {
    os << "usage: diesel-cycle init [DIR]\n"
          "\n"
          "Writes a commented input set into DIR (default: the working folder), creating\n"
          "DIR if needed: fort3.dat (the operating point) and fort2.dat (engine data, run\n"
          "control and start states) of a 1-cylinder example at 2000 rpm with a fixed\n"
          "fuel quantity. Every line names its items and their units after a '!'.\n"
          "Existing files are never overwritten: if one of them exists, nothing is\n"
          "written and the exit status is 2.\n";
}


// Creates `path` (which must not exist) holding `text`; empty on success,
// else what went wrong.
std::string create_new_file(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return std::strerror(errno);
    if (const std::string why = write_all(fd, text); !why.empty()) {
        ::close(fd);
        ::unlink(path.c_str());
        return why;
    }
    if (::close(fd) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(path.c_str());
        return why;
    }
    return {};
}

}  // namespace

int init_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    std::string dir = ".";
    bool haveDir = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (const int status = common_option(a, "init", usage, out, err); status >= 0) return status;
        if (haveDir || a.empty()) {
            err << "diesel-cycle: init: " << (a.empty() ? "an empty folder name" : "more than one folder") << '\n';
            usage(err);
            return kExitFileError;
        }
        dir = a;
        haveDir = true;
    }

    // Refuse before touching anything: a file that exists, even as a broken
    // link, is left alone and nothing is written.
    std::error_code ec;
    for (const TemplateFile& f : kTemplate) {
        const std::string path = path_in(dir, f.name);
        const std::filesystem::file_type type = std::filesystem::symlink_status(path, ec).type();
        if (type == std::filesystem::file_type::none) {
            err << "diesel-cycle: init: cannot look at " << path << ": " << ec.message() << "; nothing was written\n";
            return kExitFileError;
        }
        if (type != std::filesystem::file_type::not_found) {
            err << "diesel-cycle: init: " << path << " exists; init overwrites nothing, so nothing was written "
                << "(remove it or choose another folder)\n";
            return kExitFileError;
        }
    }
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "diesel-cycle: init: cannot create the folder " << dir << ": " << ec.message() << '\n';
        return kExitFileError;
    }

    // O_EXCL keeps a file that appeared meanwhile; on any failure the files
    // written so far are removed again, so init writes all or nothing.
    std::string written;
    for (size_t i = 0; i < std::size(kTemplate); ++i) {
        const std::string path = path_in(dir, kTemplate[i].name);
        const std::string error = create_new_file(path, kTemplate[i].text);
        if (!error.empty()) {
            for (size_t j = 0; j < i; ++j) ::unlink(path_in(dir, kTemplate[j].name).c_str());
            err << "diesel-cycle: init: cannot write " << path << ": " << error << "; nothing was written\n";
            return kExitFileError;
        }
        written += (i == 0 ? "" : " and ") + path;
    }
    out << "wrote " << written << ": a 1-cylinder operating point at 2000 rpm with a fixed fuel quantity\n"
        << "run it with:   diesel-cycle" << (dir == "." ? std::string() : " -C " + dir) << '\n'
        << "then plot it:  diesel-cycle plot" << (dir == "." ? std::string() : " " + dir) << '\n';
    return kExitCompleted;
}

}  // namespace diesel
