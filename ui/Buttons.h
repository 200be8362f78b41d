#pragma once
// The button with a glyph (glyphs are not drawn; caption, colours and events as TButton).
#include "ui/StdCtrls.h"

namespace ui {

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner) : TButton(AOwner) {}
};

} // namespace ui
