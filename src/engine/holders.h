#pragma once

// The main window's state holders, read and written as plain text at the moment of use.

#include <QString>

#include <limits>

namespace velmora {

enum class Holder {
    Text1,  // locked workbook name
    Text2,  // sizing choice ("Option")
    Text3,  // vertical fine offset
    Text4,  // horizontal fine offset
    Text5,  // size in per cent
    Text6,  // place choice ("paste-check")
    Text7,  // cell address, target 1
    Text8,  // cell address, target 2
    Text9,  // cell address, target 3
    Text10, // compression state as last read
    Text22, // stacking order "0" / "1"
    Text25, // blank rows between photos of a page
    Text26, // blank rows at a page change
    Combo1, // width in centimetres (the combo box's text)
    Check1, // the compress check box: "1" checked, "0" unchecked; setting any other text unchecks
};

// The length a text box that carries a stored value accepts: any. A line edit's default limit of
// 32,767 characters would cut a longer stored value without a word.
inline constexpr int kHolderTextLimit = std::numeric_limits<int>::max();

class Holders {
public:
    virtual ~Holders() = default;
    virtual QString text(Holder holder) const = 0;
    virtual void setText(Holder holder, const QString& text) = 0;
};

} // namespace velmora
