// Files dropped on the host, taken one at a time. A drop of 60 files makes 60
// Floaters, each bad file gets its own message, and a drop that arrives while
// one of those messages is up waits for it instead of opening a second box.
// No platform headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

class FloaterBook;

struct DropItem {
    enum class Kind {
        OpenAsFloater,  // dropped on the drop icon
        ShowPath,       // dropped on a Floater: its path is shown
        NoFile,         // the drop carried no file at all
    };
    Kind kind = Kind::OpenAsFloater;
    std::wstring path;
    friend bool operator==(const DropItem&, const DropItem&) = default;
};

class DropQueue {
public:
    // One drop: an item per file, in order (only the first when shown as a
    // path); one NoFile item when it carried none. A name no file can have
    // (empty, or with a control character) is no file.
    void Add(DropItem::Kind kind, const std::vector<std::wstring>& files);

    // A handler takes the items only when no other is already taking them
    // further up the stack (from inside one of its message boxes); the items
    // just added then wait for that one.
    bool BeginDrain();
    void EndDrain() { draining_ = false; }
    bool draining() const { return draining_; }

    std::optional<DropItem> Next();
    // Drops the waiting Floater files (a limit was reached); how many.
    std::size_t DiscardFloaterFiles();
    std::size_t size() const { return items_.size(); }

private:
    std::deque<DropItem> items_;
    bool draining_ = false;
};

// Whether the host can take one more Floater of `pixels` pixels.
enum class FloaterRoom { Ok, NoIndex, NoPixels };
FloaterRoom RoomFor(const FloaterBook& book, std::int64_t pixels, std::int64_t allFloatersBudget);

// What the user is told when a limit stops a drop at `path`; `skipped` more
// files of the drops were not opened either.
std::wstring NoRoomMessage(FloaterRoom room, std::wstring_view path, std::size_t skipped, std::int64_t held,
                           std::int64_t budget);

}  // namespace vellumo
