#pragma once
// Small helpers every suite shares: a scratch folder that cleans up after
// itself, and readable names for parameterised cases.

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace norix::testing {

// A fresh folder under the system's temporary directory, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "norix-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    operator const std::filesystem::path&() const { return path_; }

private:
    std::filesystem::path path_;
};

// Names a parameterised case after what PrintTo writes for it: "bad pin count"
// becomes "BadPinCount"; underscores stay.
struct PrintedName {
    template <class T> std::string operator()(const ::testing::TestParamInfo<T>& info) const {
        std::string name;
        bool upper = true;
        for (const char c : ::testing::PrintToString(info.param)) {
            const auto u = static_cast<unsigned char>(c);
            if (!std::isalnum(u)) {
                if (c == '_')
                    name += c;
                upper = true;
                continue;
            }
            // Numbers apart stay apart: "64 100" is 64_100, not 64100.
            if (upper && std::isdigit(u) && !name.empty() &&
                std::isdigit(static_cast<unsigned char>(name.back())))
                name += '_';
            name += upper ? static_cast<char>(std::toupper(u)) : c;
            upper = false;
        }
        return name.empty() ? std::to_string(info.index) : name;
    }
};

} // namespace norix::testing
