#include "floaters/DropQueue.h"

#include <algorithm>
#include <iterator>

#include "floaters/FloaterBook.h"

namespace vellumo {

namespace {
// No file can be named with a control character. A drop of something that
// is no file (a web address) has been seen to hand over such a "name",
// read from memory nobody wrote: it is no file.
bool CouldBeAFile(const std::wstring& name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20; });
}
}  // namespace

void DropQueue::Add(DropItem::Kind kind, const std::vector<std::wstring>& dropped) {
    std::vector<std::wstring> files;
    std::copy_if(dropped.begin(), dropped.end(), std::back_inserter(files), CouldBeAFile);
    if (files.empty()) {
        items_.push_back({DropItem::Kind::NoFile, {}});
        return;
    }
    if (kind == DropItem::Kind::ShowPath) {
        items_.push_back({kind, files.front()});
        return;
    }
    for (const std::wstring& f : files) items_.push_back({kind, f});
}

bool DropQueue::BeginDrain() {
    if (draining_) return false;
    draining_ = true;
    return true;
}

std::optional<DropItem> DropQueue::Next() {
    if (items_.empty()) return std::nullopt;
    DropItem item = std::move(items_.front());
    items_.pop_front();
    return item;
}

std::size_t DropQueue::DiscardFloaterFiles() {
    const auto before = items_.size();
    std::erase_if(items_, [](const DropItem& i) { return i.kind == DropItem::Kind::OpenAsFloater; });
    return before - items_.size();
}

FloaterRoom RoomFor(const FloaterBook& book, std::int64_t pixels, std::int64_t allFloatersBudget) {
    if (!book.NextUsableIndex()) return FloaterRoom::NoIndex;
    if (book.PixelsHeld() + pixels > allFloatersBudget) return FloaterRoom::NoPixels;
    return FloaterRoom::Ok;
}

std::wstring NoRoomMessage(FloaterRoom room, std::wstring_view path, std::size_t skipped, std::int64_t held,
                           std::int64_t budget) {
    std::wstring text;
    if (room == FloaterRoom::NoIndex) {
        text = kIndexExhaustedMessage;
    } else if (room == FloaterRoom::NoPixels) {
        text = L"The Floaters already hold " + std::to_wstring(held / 1'000'000) +
               L" million pixels; Vellumo can keep " + std::to_wstring(budget / 1'000'000) +
               L" million in all, so\n" + std::wstring(path) + L"\nwas not opened. Delete some Floaters first.";
    }
    if (skipped > 0)
        text += L"\n\n" + std::to_wstring(skipped) + (skipped == 1 ? L" more dropped file was" : L" more dropped files were") +
                L" not opened.";
    return text;
}

}  // namespace vellumo
