#include <filesystem>
#include <random>
#include <string>

#include "harness.h"

namespace harness {

TempDir::TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    // A random name, taken only when no other test holds it.
    for (;;) {
        const auto candidate = base / ("linkwart-ctl-" + std::to_string(random()) + "-" +
                                       std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
}

}  // namespace harness
