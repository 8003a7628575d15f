#pragma once
// The engine's frontend and converter objects, declared from the family tables:
//   frontends8.def, frontends_hbd.def, converters.def.
// The same rows generate the members here and the bindings in FormatBindings.cpp, so a binding
// cannot name an object that does not exist, and no object is declared without its rows.
// Only FormatBindings.cpp includes this header: the engine holds the objects behind a pointer,
// which keeps the pixel classes out of every other engine file.

#include "codec/bindings/MatrixTags.h"
#include "codec/imgproc/frontends8/Frontends8.h"
#include "codec/imgproc/frontends_hbd/FrontendsHbd.h"
#include "codec/imgproc/kernels/Converters.h"

// Stands for "no converter" in a binding row.
struct NoConverter {};

struct FormatObjects {
    FormatObjects() = default;
    FormatObjects(const FormatObjects&) = delete;
    FormatObjects& operator=(const FormatObjects&) = delete;

#define QV_FRONTEND(member, ...) __VA_ARGS__ member;
#define QV_FRONTEND_M(member, ...)                                                                   \
    template <class M> using member##_type = __VA_ARGS__;                                           \
    MatrixSet<member##_type> member;
#define QV_CONVERTER(member, inverse, ...) __VA_ARGS__ member;
#define QV_BIND(...)
#include "codec/bindings/frontends8.def"
#include "codec/bindings/frontends_hbd.def"
#include "codec/bindings/converters.def"
#undef QV_FRONTEND
#undef QV_FRONTEND_M
#undef QV_CONVERTER
#undef QV_BIND

    NoConverter none;
};
