// A small tmpfs of its own, reached by Wine through Z:, that a test can fill
// or make read-only: a full or read-only drive without touching the machine's.
// Mounting needs root; a test skips where mounted() is false.
#pragma once
#include <sys/mount.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace e2e {

class SmallDisk {
public:
    explicit SmallDisk(std::filesystem::path at) : at_(std::move(at)) {
        std::filesystem::create_directories(at_);
        mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=512k,mode=0777") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    // Writes `name` until the disk refuses more; how many bytes it took.
    std::size_t Fill(const std::string& name) {
        std::FILE* f = std::fopen((at_ / name).c_str(), "wb");
        if (!f) return 0;
        std::setvbuf(f, nullptr, _IONBF, 0);
        const std::string block(512, 'x');
        std::size_t total = 0;
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) total += block.size();
        std::fclose(f);
        return total;
    }
    // From now on nothing on it can be written, made or removed, root or not.
    bool MakeReadOnly() {
        return mounted_ && ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=512k,mode=0777") == 0;
    }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

}  // namespace e2e
