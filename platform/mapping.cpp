#include "platform/mapping.h"

#include <cstdlib>
#include <limits>

namespace velmora {
namespace {

// floor(num / den) for den > 0.
std::int64_t floorDiv(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    if ((num % den != 0) && (num < 0)) --q;
    return q;
}

// floor(value * mul / div + 0.5), computed exactly in 64 bits; div must not be 0.
int scaleRound(int value, int mul, int div) {
    std::int64_t num = static_cast<std::int64_t>(value) * mul;
    std::int64_t den = div;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    // floor(num / den + 1/2) = floor((2 * num + den) / (2 * den))
    return static_cast<int>(floorDiv(2 * num + den, 2 * den));
}

}  // namespace

int mulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    std::int64_t num = static_cast<std::int64_t>(number) * numerator;
    std::int64_t den = denominator;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const std::int64_t magnitude = ((num < 0 ? -num : num) + den / 2) / den;
    const std::int64_t result = num < 0 ? -magnitude : magnitude;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(result);
}

void Mapping::setMapMode(MapMode mode) {
    m_mode = mode;
    if (mode == MapMode::Text) {
        m_winExtX = m_winExtY = m_vpExtX = m_vpExtY = 1;
    } else if (mode == MapMode::Isotropic) {
        fixIsotropic();
    }
}

bool Mapping::setWindowExt(int cx, int cy) {
    if (m_mode == MapMode::Text || cx == 0 || cy == 0) return false;
    m_winExtX = cx;
    m_winExtY = cy;
    if (m_mode == MapMode::Isotropic) fixIsotropic();
    return true;
}

bool Mapping::setViewportExt(int cx, int cy) {
    if (m_mode == MapMode::Text || cx == 0 || cy == 0) return false;
    m_vpExtX = cx;
    m_vpExtY = cy;
    if (m_mode == MapMode::Isotropic) fixIsotropic();
    return true;
}

void Mapping::setWindowOrg(int x, int y) {
    m_winOrgX = x;
    m_winOrgY = y;
}

void Mapping::setViewportOrg(int x, int y) {
    m_vpOrgX = x;
    m_vpOrgY = y;
}

// Square pixels are assumed. The axis with the larger scale (|viewport / window|) has its
// viewport extent reduced so that both scales match, keeping its sign and never reaching 0.
void Mapping::fixIsotropic() {
    const std::int64_t ax = std::abs(static_cast<std::int64_t>(m_vpExtX));
    const std::int64_t ay = std::abs(static_cast<std::int64_t>(m_vpExtY));
    const std::int64_t wx = std::abs(static_cast<std::int64_t>(m_winExtX));
    const std::int64_t wy = std::abs(static_cast<std::int64_t>(m_winExtY));
    // Compare ax / wx with ay / wy without division.
    if (ax * wy > ay * wx) {
        // New |vpExtX| = ay * wx / wy, rounded.
        int v = static_cast<int>(floorDiv(2 * ay * wx + wy, 2 * wy));
        if (v == 0) v = 1;
        m_vpExtX = m_vpExtX < 0 ? -v : v;
    } else {
        int v = static_cast<int>(floorDiv(2 * ax * wy + wx, 2 * wx));
        if (v == 0) v = 1;
        m_vpExtY = m_vpExtY < 0 ? -v : v;
    }
}

int Mapping::lpToDpX(int x) const {
    return scaleRound(x - m_winOrgX, m_vpExtX, m_winExtX) + m_vpOrgX;
}

int Mapping::lpToDpY(int y) const {
    return scaleRound(y - m_winOrgY, m_vpExtY, m_winExtY) + m_vpOrgY;
}

QPoint Mapping::lpToDp(QPoint logical) const {
    return {lpToDpX(logical.x()), lpToDpY(logical.y())};
}

QPoint Mapping::dpToLp(QPoint device) const {
    return {scaleRound(device.x() - m_vpOrgX, m_winExtX, m_vpExtX) + m_winOrgX,
            scaleRound(device.y() - m_vpOrgY, m_winExtY, m_vpExtY) + m_winOrgY};
}

Rect Mapping::lpToDp(const Rect& logical) const {
    const QPoint topLeft = lpToDp(QPoint(logical.left, logical.top));
    const QPoint bottomRight = lpToDp(QPoint(logical.right, logical.bottom));
    return {topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
}

Rect Mapping::dpToLp(const Rect& device) const {
    const QPoint topLeft = dpToLp(QPoint(device.left, device.top));
    const QPoint bottomRight = dpToLp(QPoint(device.right, device.bottom));
    return {topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
}

QSize Mapping::lpToDp(QSize logical) const {
    return {mulDiv(logical.width(), std::abs(m_vpExtX), std::abs(m_winExtX)),
            mulDiv(logical.height(), std::abs(m_vpExtY), std::abs(m_winExtY))};
}

QSize Mapping::dpToLp(QSize device) const {
    return {mulDiv(device.width(), std::abs(m_winExtX), std::abs(m_vpExtX)),
            mulDiv(device.height(), std::abs(m_winExtY), std::abs(m_vpExtY))};
}

}  // namespace velmora
