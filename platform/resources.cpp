#include "platform/resources.h"

#include <QtGlobal>

namespace velmora {
namespace {
const ResourceTable* g_table = nullptr;
}

void installResources(const ResourceTable& table) { g_table = &table; }

const ResourceTable& resources() {
    if (!g_table) qFatal("velmora: no resources installed");
    return *g_table;
}

const DialogTemplate* findDialog(int id) {
    for (const DialogTemplate* d : resources().dialogs)
        if (d->id == id) return d;
    return nullptr;
}

const MenuTemplate* findMenu(int id) {
    for (const MenuTemplate* m : resources().menus)
        if (m->id == id) return m;
    return nullptr;
}

QString loadString(int id) {
    for (const StringResource& s : resources().strings)
        if (s.id == id) return QString::fromUtf8(s.text);
    return {};
}

}  // namespace velmora
