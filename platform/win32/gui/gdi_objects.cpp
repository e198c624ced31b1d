#include "platform/win32/gui/gdi_objects.h"

#include <map>

namespace tickwell::win32 {

namespace {

// Every live wrapper by its handle. Drawing happens on the user-interface
// thread only, so the table needs no lock.
std::map<HGDIOBJ, GraphicsObject*>& Table() {
    static std::map<HGDIOBJ, GraphicsObject*> table;
    return table;
}

}  // namespace

template <class Base>
GdiObject<Base>::GdiObject(HGDIOBJ handle, bool owned) : handle_(handle), owned_(owned) {
    Table()[handle_] = this;
}

template <class Base>
GdiObject<Base>::~GdiObject() {
    auto& table = Table();
    auto entry = table.find(handle_);
    if (entry != table.end() && entry->second == this) table.erase(entry);
    if (owned_) ::DeleteObject(handle_);
}

template <class Base>
Base* AdoptHandle(HGDIOBJ handle) {
    if (handle == nullptr) return nullptr;
    return new GdiObject<Base>(handle, true);
}

template <class Base>
Base* WrapperOf(HGDIOBJ handle) {
    if (handle == nullptr) return nullptr;
    auto& table = Table();
    auto entry = table.find(handle);
    if (entry != table.end()) {
        if (auto* known = dynamic_cast<Base*>(entry->second)) return known;
    }
    return new GdiObject<Base>(handle, false);
}

int RegisteredWrapperCount() {
    return static_cast<int>(Table().size());
}

template class GdiObject<Pen>;
template class GdiObject<Brush>;
template class GdiObject<Font>;
template class GdiObject<Bitmap>;
template Pen* AdoptHandle<Pen>(HGDIOBJ);
template Brush* AdoptHandle<Brush>(HGDIOBJ);
template Font* AdoptHandle<Font>(HGDIOBJ);
template Bitmap* AdoptHandle<Bitmap>(HGDIOBJ);
template Pen* WrapperOf<Pen>(HGDIOBJ);
template Brush* WrapperOf<Brush>(HGDIOBJ);
template Font* WrapperOf<Font>(HGDIOBJ);
template Bitmap* WrapperOf<Bitmap>(HGDIOBJ);

}  // namespace tickwell::win32
