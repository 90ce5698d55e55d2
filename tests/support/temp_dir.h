#pragma once
// A fresh folder per test under the system's temporary folder, removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace qm::test {

inline std::string Utf8(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

inline std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline int ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("qm_") + (info ? info->test_suite_name() : "t") + "_" + (info ? info->name() : "");
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
        // The process id keeps apart runs of the suites that overlap in time
        // (both builds under one ctest, or several working copies on one machine).
        static int counter = 0;
        name += "_" + std::to_string(ProcessId()) + "_" + std::to_string(++counter);
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    // A UTF-8 path to `name` inside the folder.
    std::string file(const std::string& name) const { return Utf8(path_ / PathOf(name)); }

private:
    std::filesystem::path path_;
};

}  // namespace qm::test
