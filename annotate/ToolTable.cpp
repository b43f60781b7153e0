// The tool table: every drawing tool, in the order of its button. A new tool
// is its own file under annotate/tools and one row here.
#include <array>

#include "annotate/Tool.h"
#include "annotate/tools/Arrow.h"
#include "annotate/tools/Blur.h"
#include "annotate/tools/Ellipse.h"
#include "annotate/tools/Eraser.h"
#include "annotate/tools/Highlighter.h"
#include "annotate/tools/Line.h"
#include "annotate/tools/Mosaic.h"
#include "annotate/tools/Pen.h"
#include "annotate/tools/Rectangle.h"
#include "annotate/tools/Step.h"
#include "annotate/tools/Text.h"
#include "annotate/tools/TextOnBox.h"

namespace vellumo {

namespace {
constexpr std::array kTools{
    kRectangleEntry,
    kEllipseEntry,
    kTextEntry,
    kArrowEntry,
    kEraserEntry,
    kPenEntry,
    kHighlighterEntry,
    kLineEntry,
    kMosaicEntry,
    kBlurEntry,
    kStepEntry,
    kTextOnBoxEntry,
};
}  // namespace

std::span<const ToolEntry> ToolTable() { return kTools; }

}  // namespace vellumo
