#include "guilib/graph/plot_info.h"

namespace GUILib {

PlotInfo::PlotInfo(const KVI::String& name) : plot_(MakeRefCounted<DataPlotXY>()), name_(name)
{
    SetDrawKind(kDrawLineSegments, 1);
}

bool PlotInfo::SetDrawKind(int32_t kind, int32_t size, int32_t style)
{
    if (kind == kDrawNone) {
        drawObjects_.clear();
        return true;
    }
    SmartPtr<DrawObject> object = MakeDrawObject(kind);
    if (!object) return false;
    drawObjects_.clear();
    drawObjects_[kind] = DrawEntry{kind, size, style, std::move(object)};
    return true;
}

void PlotInfo::Draw(QPainter& painter) const
{
    for (const auto& [kind, entry] : drawObjects_)
        plot_->Draw(painter, *entry.object, colour_, entry.size, entry.style);
}

}  // namespace GUILib
