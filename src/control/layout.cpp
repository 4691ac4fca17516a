#include "control/layout.h"

#include <cmath>

namespace VynMemberComment::Layout {

namespace {
struct Placement {
    std::string_view name;
    int left, top, width, height; // twips
};

// fraMain is placed relative to the control, everything else relative to fraMain.
constexpr Placement kPlacements[] = {
    {"fraMain", 0, -90, 8565, 4755},
    {"lstComments", 90, 180, 8385, 1875},
    {"Label2", 210, 2160, 675, 255},
    {"cboCommentGroup", 750, 2130, 2835, 315},
    {"Label4", 4080, 2160, 450, 195},
    {"cboCommentType", 4560, 2130, 3885, 315},
    {"txtComment", 90, 2520, 8355, 1455},
    {"cmdAdd", 90, 4080, 1335, 375},
    {"cmdEdit", 1470, 4080, 1335, 375},
    {"cmdDelete", 2850, 4080, 1335, 375},
    {"chkCenterFocus", 4410, 4080, 225, 270},
    {"lblCenterFocus", 4710, 4080, 1065, 270},
    {"chkFranchiseRelationsFocus", 6240, 4080, 255, 255},
    {"lblFranchiseRelationsFocus", 6480, 4080, 2055, 255},
    {"chkmemberFocus", 4410, 4380, 225, 270},
    {"lblVendorFocus", 4710, 4380, 1455, 240},
    {"chkBETAFocus", 6240, 4380, 225, 270},
    {"lblFocusBilling", 6480, 4380, 915, 240},
    {"lblVersionNumber", 150, 4470, 1815, 255},
};
} // namespace

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

QRect placement(std::string_view childName, double dpiX, double dpiY)
{
    for (const Placement &p : kPlacements) {
        if (p.name == childName)
            return QRect(twipsToPixels(p.left, dpiX), twipsToPixels(p.top, dpiY), twipsToPixels(p.width, dpiX),
                         twipsToPixels(p.height, dpiY));
    }
    return {};
}

} // namespace VynMemberComment::Layout
