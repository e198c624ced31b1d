// The program's graphics objects as wrappers of GDI handles, and the table
// that leads from a handle back to its wrapper, so that selecting an object
// into a device context can hand back the program's own object for the one
// it replaced.
#pragma once

#include <windows.h>

#include "platform/canvas.h"

namespace tickwell::win32 {

// Implemented by every wrapper; gives the GDI handle.
class GdiHandleHolder {
public:
    virtual ~GdiHandleHolder() = default;
    virtual HGDIOBJ handle() const = 0;
};

// A wrapper of one GDI object. An owning wrapper deletes its object with
// itself; a borrowed one (stock objects, a context's defaults) never does.
template <class Base>
class GdiObject : public Base, public GdiHandleHolder {
public:
    GdiObject(HGDIOBJ handle, bool owned);
    ~GdiObject() override;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    HGDIOBJ handle() const override { return handle_; }

private:
    HGDIOBJ handle_;
    bool owned_;
};

using GdiPen = GdiObject<Pen>;
using GdiBrush = GdiObject<Brush>;
using GdiFont = GdiObject<Font>;
using GdiBitmap = GdiObject<Bitmap>;

// Wraps a new object the caller owns; null when `handle` is null.
template <class Base>
Base* AdoptHandle(HGDIOBJ handle);

// The program's object for a handle that a Select gave back: the wrapper
// made for it before, or a borrowed wrapper made now and kept for later
// (only stock and default objects are unknown, so their number is small).
template <class Base>
Base* WrapperOf(HGDIOBJ handle);

// How many wrappers the table holds (for tests of leaks).
int RegisteredWrapperCount();

}  // namespace tickwell::win32
