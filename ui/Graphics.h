#pragma once
// Colours, fonts, rectangles and the canvas that drawing events get.
#include <cstdint>
#include <string>

class QPainter;

namespace ui {

// Colour value $00BBGGRR.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
// "No colour of its own": the control keeps the style's colour.
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBtnFace = 0xF0F0F0;
inline constexpr TColor clWindow = 0xFFFFFF;
inline constexpr TColor clWindowText = 0x000000;

inline constexpr TColor RGB(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

struct TFont {
    std::string Name = "Arial";
    int Height = 11; // pixels
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    TColor Color = clWindowText;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TBrush {
    TColor Color = clWhite;
};

// Drawing surface handed to drawing events; valid only while the event runs.
class TCanvas {
public:
    explicit TCanvas(QPainter* painter) : painter_(painter) {}

    TBrush Brush;
    TFont Font;

    void FillRect(const TRect& r);
    // Writes text with its top left corner at (x, y), in Font, on a transparent background.
    void TextOut(int x, int y, const std::string& text);

private:
    QPainter* painter_;
};

} // namespace ui
