#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "tools/command_line/exit_status.h"
#include "tools/diff/diff_command.h"

namespace tool {
namespace {

constexpr const char* kDiffFooter =
    R"diff(Inputs: A B, two folders (the route, train file and track plan each holds) or two
  compiled routes (each with the train file beside it); or LINE_A TRAIN_A LINE_B TRAIN_B,
  two pairs of descriptions compiled in memory (nothing is written), when each change also
  names the file:line of its record in A and B: "(A FILE:LINE, B FILE:LINE)". Both pairs
  are compiled under the names A's files give (X_linea.txt, X_Y-.txt), as names are no part
  of the descriptions.
One line a change, in the author's terms, in this order:
  general data by field name ("train: braked mass 120 to 110 %", "train: start clock ...");
  stations by name ("station ALESSANDRIA: departure 60 s later", "... at 79+000 moved to
  79+200", "station kind", "length", code_4 to code_13, added, removed, renamed);
  slowdowns from start to end ("slowdown 30 km/h added from 60+750 to 63+000"), their
  warning board, countdown cells and the speed marks the compiler adds around them folded in;
  signals, speed indicator and location boards, and marks written in the train description
  ("signal at 35+150 moved to 35+350": the same values within 1000 m; "signal at 35+150:
  s1 3 to 4" in the same cell), with a signal's or station's approach codes folded in;
  stretches where gradient, speed limit, adhesion or mountain stretch type changed, with
  where each starts and ends ("gradient from 79+800 to 80+450: 3 to 2 per mille");
  curves by class and side ("curve class 3 left from 8+500 to 9+150 moved to 8+600 to
  9+250", "... now ends at 9+200", "curve from 8+500 to 9+150: class 3 left to class 4 left");
  last, any difference no change above explains, by cell ("cell 702 (35+100): approach
  code 81 to 0"), so that sets that differ are never told as the same.
  Positions are those written in the descriptions when they are known, else those the cells
  stand for (a record may lie up to 25 m from it).
With --json, stdout carries one object, on every run: status, problem (null, or why nothing
  was compared), changes: each with kind, what (added, removed, moved, changed), field (the
  format reference's name of the changed value, or null), from, to, position (m), km, text,
  sourceA, sourceB (FILE:LINE, or null).
Exit status: 0 the scenarios are the same, 1 they differ, 2 a usage error, an input that
  cannot be read or is damaged, or descriptions that do not compile (the failure is told),
  3 standard output could not be written, 4 internal error.)diff";

}  // namespace

Subcommand addDiffCommand(CLI::App& app) {
    const auto options = std::make_shared<DiffOptions>();
    CLI::App* command = app.add_subcommand(
        "diff",
        "Tell what changed between two scenarios, compiled or described, one line a change.");
    command
        ->add_option("INPUTS", options->inputs,
                     "A B (folders or compiled routes), or LINE_A TRAIN_A LINE_B TRAIN_B")
        ->expected(2, 4)
        ->required();
    command->add_flag("--json", options->json, "print one JSON object on stdout");
    command->footer(kDiffFooter);
    const auto run = [options](std::ostream& out, std::ostream& err) {
        return runDiff(*options, out, err);
    };
    return {.app = command, .run = run, .json = &options->json, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
