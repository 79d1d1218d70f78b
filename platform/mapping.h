// Integer window/viewport coordinate mapping: logical coordinates are mapped to device
// pixels through a window extent, a viewport extent and their origins, with the rounding
// rules of the classic integer graphics layer. Paint code computes device points here and
// then draws them with QPainter in device coordinates.
#pragma once

#include <QPoint>
#include <QSize>

#include <cstdint>

namespace velmora {

// Multiplies two 32-bit values and divides the 64-bit product by a third, rounding half
// away from zero. Returns -1 when the divisor is 0 or the result does not fit in 32 bits.
int mulDiv(int number, int numerator, int denominator);

// A rectangle given by its edges; right and bottom lie just outside, as with window
// rectangles (a 10 x 5 client area is {0, 0, 10, 5}).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class MapMode {
    Text,         // one logical unit is one pixel; extents are fixed at (1, 1)
    Anisotropic,  // independent x and y scales
    Isotropic,    // equal scales: the viewport extent is shrunk on the larger-scale axis
};

class Mapping {
public:
    Mapping() = default;

    // Switching to Text resets both extents to (1, 1); the other modes keep them.
    void setMapMode(MapMode mode);
    MapMode mapMode() const { return m_mode; }

    // Extents take effect only in the anisotropic and isotropic modes. A zero component
    // is refused (it would divide by zero) and false returned, leaving the extent as it was.
    bool setWindowExt(int cx, int cy);
    bool setViewportExt(int cx, int cy);
    QSize windowExt() const { return {m_winExtX, m_winExtY}; }
    QSize viewportExt() const { return {m_vpExtX, m_vpExtY}; }

    void setWindowOrg(int x, int y);
    void setViewportOrg(int x, int y);
    QPoint windowOrg() const { return {m_winOrgX, m_winOrgY}; }
    QPoint viewportOrg() const { return {m_vpOrgX, m_vpOrgY}; }

    // Points: device = round((logical - windowOrg) * viewportExt / windowExt) + viewportOrg,
    // rounded to the nearest integer with halves upward (floor(v + 0.5)); the inverse
    // mapping uses the same rounding.
    QPoint lpToDp(QPoint logical) const;
    QPoint dpToLp(QPoint device) const;
    int lpToDpX(int x) const;
    int lpToDpY(int y) const;

    // Rectangles: both corner points converted; the result is not normalised.
    Rect lpToDp(const Rect& logical) const;
    Rect dpToLp(const Rect& device) const;

    // Sizes: per axis mulDiv(size, |extent|, |extent|); origins and signs are ignored.
    QSize lpToDp(QSize logical) const;
    QSize dpToLp(QSize device) const;

private:
    void fixIsotropic();

    MapMode m_mode = MapMode::Text;
    int m_winExtX = 1;
    int m_winExtY = 1;
    int m_vpExtX = 1;
    int m_vpExtY = 1;
    int m_winOrgX = 0;
    int m_winOrgY = 0;
    int m_vpOrgX = 0;
    int m_vpOrgY = 0;
};

}  // namespace velmora
