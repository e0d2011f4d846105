#include "report/trace_files.hpp"

#include <cmath>
#include <cstring>

#include "report/number_format.hpp"

namespace diesel {

namespace {

constexpr int kTitleWidth = 25;  // title field [characters]
constexpr int kSciWidth = 10;    // number field [characters]

// Column 5 is the only title in which the two cylinder traces differ.
constexpr const char* kCylinderTitles[12] = {
    "Crank Angle [o]",  "L",
    "Cylinder pressure [bar]", "Cyl.#1 Mass [kg?]",
    "Cyl.#1 Temperature [K]", "Cyl.#1 phi [-]",
    "Cyl.#1 Volume [m3]", "Q_cyl_head [KW?]",
    "Q_cyl_piston [KW?]", "Q_cyl_wall [KW?]",
    "Q_total [KW?]", "Cyl.#1 fire burning rate",
};
constexpr const char* kFort9Column5 = "Cyl.#1 Temperature [oC?]";

// Columns 6/7 and 8/9 carry the same titles on purpose: that is what the
// file has always held and what readers of it expect.
constexpr const char* kExhaustTitles[10] = {
    "Crank Angle [o]", "L",
    "Exh. Pressure [bar]", "Exh. Mass [kg?]",
    "Exh. Temperature [K]", "Inlet Valve Area [m2?]",
    "Inlet Valve Area [m2?]", "dMass from inlet valve [kg?]",
    "dMass from inlet valve [kg?]", "Exhaust phi [-]",
};

// Appends one title right-justified in 25 characters (cut to 25) and a TAB.
char* put_title(char* p, const char* title) {
    size_t len = std::strlen(title);
    if (len > kTitleWidth) {
        len = kTitleWidth;
    }
    const size_t pad = kTitleWidth - len;
    std::memset(p, ' ', pad);
    std::memcpy(p + pad, title, len);
    p += kTitleWidth;
    *p++ = '\t';
    return p;
}

void write_header(std::ostream& out, const char* const* titles, int count) {
    char line[16 * (kTitleWidth + 1) + 1];
    char* p = line;
    for (int i = 0; i < count; ++i) {
        p = put_title(p, titles[i]);
    }
    *p++ = '\n';
    out.write(line, p - line);
}

// A line of at most 16 number fields.
struct NumberLine {
    char text[16 * (kSciWidth + 1) + 1];
    std::streamsize size;
};

// Forms `count` number fields; TAB between neighbours, and after the last one
// too when `trailing_tab` is set.
void form_numbers(NumberLine& line, const float* values, int count, bool trailing_tab) {
    char field[11];
    char* p = line.text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            *p++ = '\t';
        }
        format_sci(values[i], field);
        std::memcpy(p, field, kSciWidth);
        p += kSciWidth;
    }
    if (trailing_tab) {
        *p++ = '\t';
    }
    *p++ = '\n';
    line.size = p - line.text;
}

void write_numbers(std::ostream& out, const float* values, int count, bool trailing_tab) {
    NumberLine line;
    form_numbers(line, values, count, trailing_tab);
    out.write(line.text, line.size);
}

}  // namespace

void write_trace_headers(std::ostream& fort8, std::ostream& fort9, std::ostream& fort10) {
    write_header(fort8, kCylinderTitles, 12);

    const char* fort9_titles[12];
    for (int i = 0; i < 12; ++i) {
        fort9_titles[i] = kCylinderTitles[i];
    }
    fort9_titles[4] = kFort9Column5;
    write_header(fort9, fort9_titles, 12);

    write_header(fort10, kExhaustTitles, 10);
}

void write_trace_lines(const RunState& s, std::ostream& fort8, std::ostream& fort9,
                       std::ostream& fort10) {
    const float angle = std::fmod(s.PHI, 720.0f);  // deg, sign of PHI
    const float iter = static_cast<float>(s.ITER);
    const float pres_bar = s.PRES[1] / 100000.0f;  // bar
    const float cylinder[12] = {
        angle,       iter,        pres_bar,     s.MASS[1],
        s.TEMP[1],   s.EQR[1],    s.VOL[1],     s.QHEAD[1],
        s.QPIST[1],  s.QLINER[1], s.QWALL[1],   s.WIEBE[1],
    };
    // fort9 takes every tenth line of fort8.
    NumberLine line;
    form_numbers(line, cylinder, 12, false);
    if (s.ISTEP % 10 == 0) {
        fort9.write(line.text, line.size);
    }
    fort8.write(line.text, line.size);

    const int32_t exr = s.NCYL + 2;
    const float exhaust[10] = {
        angle,
        iter,
        s.PRES[exr] / 100000.0f,
        s.MASS[exr],
        s.TEMP[exr],
        s.AINL[1],
        (s.FAIN * s.AEXH[1]) / s.FAEX,  // exhaust area on the intake valve's scale
        s.DMINL[1],
        s.DMEXH[1],
        s.EQR[exr],
    };
    write_numbers(fort10, exhaust, 10, true);
}

}  // namespace diesel
