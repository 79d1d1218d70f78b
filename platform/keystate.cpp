#include "platform/keystate.h"

#include <QGuiApplication>

namespace velmora {
namespace {

bool queryShift() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

ShiftQuery& query() {
    static ShiftQuery q = queryShift;
    return q;
}

}  // namespace

bool isShiftDown() { return query()(); }

ShiftQuery setShiftQuery(ShiftQuery q) {
    ShiftQuery previous = std::move(query());
    query() = q ? std::move(q) : ShiftQuery(queryShift);
    return previous;
}

}  // namespace velmora
