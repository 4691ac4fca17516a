#pragma once

#include <QRect>
#include <QSize>

#include <string_view>

namespace VynMemberComment::Layout {

// Twips are 1/1440 inch; the screen's logical DPI turns them into pixels.
int twipsToPixels(double twips, double dpi);

// The control's design size in twips.
inline constexpr int kDesignWidth = 8550;
inline constexpr int kDesignHeight = 4665;

// Where the named child sits, in pixels relative to its parent; an empty rect for an unknown name.
QRect placement(std::string_view childName, double dpiX, double dpiY);

// The tab order: the children of the frame, in the order the user tabs through them.
inline constexpr std::string_view kTabOrder[] = {
    "lstComments",    "cboCommentGroup", "cboCommentType",
    "txtComment",     "cmdAdd",          "cmdEdit",
    "cmdDelete",      "chkCenterFocus",  "chkFranchiseRelationsFocus",
    "chkmemberFocus", "chkBETAFocus",
};

} // namespace VynMemberComment::Layout
