#pragma once
// What the chip, font and image file suites share: one failure table that
// reads each row from memory and from a file, and one round trip.

#include "core/util/AtomicFile.h"
#include "tests/support/TestSupport.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

namespace norix::testing {

inline std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    while (count-- > 0)
        text += piece;
    return text;
}

// One row of a reader's failure table. A row without text stands for a file
// that is not there; a file-only row holds bytes that only load() rejects.
template <class Kind> struct ReadFailure {
    const char* label;
    std::optional<std::string> text;
    Kind kind;
    std::size_t line;
    std::string message;
    bool fileOnly = false;
    friend void PrintTo(const ReadFailure& c, std::ostream* out) { *out << c.label; }
};

// decode() of the row's text and load() of a file holding it both give exactly
// the row's error.
template <auto load, auto decode>
class ReadFailureTest
    : public ::testing::TestWithParam<ReadFailure<
          typename std::remove_cvref_t<decltype(decode(std::string_view()).error())>::Kind>> {
protected:
    void check() {
        const auto& row = this->GetParam();
        const auto expectRowError = [&row](const auto& result, const char* how) {
            ASSERT_FALSE(result) << how;
            EXPECT_EQ(result.error().kind, row.kind) << how;
            EXPECT_EQ(result.error().line, row.line) << how;
            EXPECT_EQ(result.error().message(), row.message) << how;
        };
        if (row.text && !row.fileOnly)
            expectRowError(decode(*row.text), "decode");
        const TempFolder folder;
        if (row.text) {
            ASSERT_FALSE(writeFileAtomically(folder / "file.txt", *row.text));
        }
        expectRowError(load(folder / "file.txt"), "load");
    }
};

// Random values of `make(random)` read back the same: through text with LF,
// CR LF or CR line ends, and the first few through save() and load() of a file
// that an editor has given a byte-order mark. `same(read, value)` compares.
template <auto save, auto load, auto encode, auto decode>
void expectRoundTrips(int count, auto make, auto same) {
    std::mt19937 random(1234);
    const TempFolder folder;
    const auto path = folder / "file.txt";
    for (int i = 0; i < count; ++i) {
        const auto value = make(random);
        std::string text;
        for (const char c : encode(value))
            text += c != '\n' ? std::string(1, c) : std::array{"\n", "\r\n", "\r"}[i % 3];
        if (i < 5) {
            ASSERT_FALSE(save(value, path));
            text = "\xEF\xBB\xBF" + *readWholeFile(path);
            ASSERT_FALSE(writeFileAtomically(path, text));
        }
        const auto read = i < 5 ? load(path) : decode(text);
        ASSERT_TRUE(read) << read.error().message() << "\n" << text;
        EXPECT_EQ(encode(*read), encode(value));
        same(*read, value);
    }
}

} // namespace norix::testing
