// The tool table: every drawing tool, in the order of its button. A new tool
// is its own file under annotate/tools, defining k<Name>Entry, and one row
// here; the row both declares the entry and places it.
#include <array>

#include "annotate/Tool.h"

namespace vellumo {

// Every row ends in a backslash (the list ends at the blank line below it),
// so a new row is one added line wherever it goes.
#define VELLUMO_TOOL_ROWS(ROW) \
    ROW(Rectangle)             \
    ROW(Ellipse)               \
    ROW(Text)                  \
    ROW(Arrow)                 \
    ROW(Eraser)                \
    ROW(Pen)                   \
    ROW(Highlighter)           \
    ROW(Line)                  \
    ROW(Mosaic)                \
    ROW(Blur)                  \
    ROW(Step)                  \
    ROW(FilledBox)             \


#define VELLUMO_DECLARE_TOOL(name) extern const ToolEntry k##name##Entry;
VELLUMO_TOOL_ROWS(VELLUMO_DECLARE_TOOL)
#undef VELLUMO_DECLARE_TOOL

std::span<const ToolEntry> ToolTable() {
    // The rows are constants (constant-initialised in their files), so they
    // are whole before anything can call this.
#define VELLUMO_PLACE_TOOL(name) k##name##Entry,
    static const std::array kTools{VELLUMO_TOOL_ROWS(VELLUMO_PLACE_TOOL)};
#undef VELLUMO_PLACE_TOOL
    return kTools;
}

}  // namespace vellumo
