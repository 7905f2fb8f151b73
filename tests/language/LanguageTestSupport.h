#pragma once
// Helpers shared by the language suites: named case rows, a terminal that
// records its entries and byte images written as hexadecimal text.

#include "core/language/TerminalSink.h"
#include "core/link/SerialPacket.h"

#include <cctype>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace norix::testing {

// One row of a case table: its test name, what goes in and what should come out.
template <class Input, class Expected = std::string> struct NamedCase {
    std::string name;
    Input input;
    Expected expected;
    friend void PrintTo(const NamedCase& c, std::ostream* os) { *os << c.name; }
};

// A test name made of a source text: anything but letters, digits and "#" is "_".
inline void printAsName(const std::string& text, std::ostream* os) {
    for (const char c : text)
        *os << (std::isalnum(static_cast<unsigned char>(c)) || c == '#' ? c : '_');
    *os << (text.empty() ? "empty" : "");
}

struct RecordingTerminal {
    std::vector<std::string> entries;
    TerminalSink sink() {
        return [this](const std::string& entry) { entries.push_back(entry); };
    }
};

// "02 00 00 00 ..." -> bytes; whitespace between bytes is free.
inline Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string piece;
    while (in >> piece)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(piece, nullptr, 16)));
    return bytes;
}

// One instruction of four little-endian words.
inline Bytes instruction(std::uint32_t w0, std::uint32_t w1 = 0, std::uint32_t w2 = 0,
                         std::uint32_t w3 = 0) {
    Bytes bytes;
    for (std::uint32_t word : {w0, w1, w2, w3}) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    }
    return bytes;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace norix::testing
