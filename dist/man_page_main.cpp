// Build step: turns a manual page kept as text into roff.
//   norix-man-page INPUT.txt OUTPUT VERSION

#include "core/util/AtomicFile.h"
#include "dist/ManPage.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: norix-man-page INPUT OUTPUT VERSION\n";
        return 2;
    }
    const auto text = norix::readWholeFile(argv[1]);
    if (!text) {
        std::cerr << argv[1] << ": " << text.error().message() << "\n";
        return 1;
    }
    const std::string roff = norix::manTextToRoff(*text, argv[3]);
    if (roff.empty()) {
        std::cerr << argv[1] << ": the first line must read \"name(section) - summary\"\n";
        return 1;
    }
    if (auto error = norix::writeFileAtomically(argv[2], roff)) {
        std::cerr << argv[2] << ": " << error->message() << "\n";
        return 1;
    }
    return 0;
}
