// The floor as a whole process: the installer's files, taken from a real run at build time and
// carried in this program's image, written next to the program with one open, one write and
// one close each. Nothing is computed; it is what any installer of these bytes must at least
// cost, process start included.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "bench/floor_writer.h"

// Puts the bytes of a reference file into the read-only data of this program, between the
// symbols <name>_begin and <name>_end.
#define SCENARIO_EMBED(name, file)                                      \
    asm(".pushsection .rodata\n"                                        \
        ".balign 64\n"                                                  \
        ".globl " #name                                                 \
        "_begin\n"                                                      \
        ".hidden " #name                                                \
        "_begin\n"                                                      \
        ".globl " #name                                                 \
        "_end\n"                                                        \
        ".hidden " #name "_end\n" #name                                 \
        "_begin:\n"                                                     \
        ".incbin \"" SCENARIO_FLOOR_REFERENCE_DIR "/" file "\"\n" #name \
        "_end:\n"                                                       \
        ".popsection\n");                                               \
    extern "C" const char name##_begin[];                               \
    extern "C" const char name##_end[];

SCENARIO_EMBED(line_description, "GENOVA_TORINO_linea.txt")
SCENARIO_EMBED(train_description, "GENOVA_TORINO_IC514-.txt")
SCENARIO_EMBED(notes, "GENOVA_TORINO_IC514_note.txt")
SCENARIO_EMBED(slowdown_order, "GENOVA_TORINO_IC514_rallentamenti.txt")
SCENARIO_EMBED(timetable_sheet, "GENOVA_TORINO_IC514_scheda_treno.txt")
SCENARIO_EMBED(line_plan, "GENOVA_TORINO_linea.dat")
SCENARIO_EMBED(train_file, "GENOVA_TORINO_IC514.sim")
SCENARIO_EMBED(route_file, "GENOVA_TORINO_IC514.dat")

namespace {

std::string_view bytes(const char* begin, const char* end) {
    return {begin, static_cast<std::size_t>(end - begin)};
}

// The directory that holds this program, as the installer finds its own.
std::string programDirectory() {
    char target[4096];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return ".";
    const std::string_view path(target, static_cast<std::size_t>(length));
    return std::string(path.substr(0, path.find_last_of('/')));
}

}  // namespace

int main() {
    using bench::FileRole;
    const std::array<bench::FloorFile, 8> files = {{
        {"GENOVA_TORINO_linea.txt", bytes(line_description_begin, line_description_end),
         FileRole::description},
        {"GENOVA_TORINO_IC514-.txt", bytes(train_description_begin, train_description_end),
         FileRole::description},
        {"GENOVA_TORINO_IC514_note.txt", bytes(notes_begin, notes_end), FileRole::document},
        {"GENOVA_TORINO_IC514_rallentamenti.txt", bytes(slowdown_order_begin, slowdown_order_end),
         FileRole::document},
        {"GENOVA_TORINO_IC514_scheda_treno.txt", bytes(timetable_sheet_begin, timetable_sheet_end),
         FileRole::document},
        {"GENOVA_TORINO_linea.dat", bytes(line_plan_begin, line_plan_end), FileRole::compiled},
        {"GENOVA_TORINO_IC514.sim", bytes(train_file_begin, train_file_end), FileRole::compiled},
        {"GENOVA_TORINO_IC514.dat", bytes(route_file_begin, route_file_end), FileRole::compiled},
    }};
    try {
        bench::writeFloor(programDirectory(), files);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scenario_floor: %s\n", e.what());
        return 1;
    }
    return 0;
}
