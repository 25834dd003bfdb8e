// A minimal VARIANT: empty, BSTR, 32-bit integer, boolean and double.
#pragma once

#include <cstdint>

#include "platform/bstr.h"
#include "platform/hresult.h"

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_BOOL = 11;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    uint16_t reserved1 = 0, reserved2 = 0, reserved3 = 0;
    union {
        BSTR bstrVal;
        int32_t lVal;
        VARIANT_BOOL boolVal;
        double dblVal;
    };
    VARIANT() : bstrVal(nullptr) {}
};

void VariantInit(VARIANT* v);
// Frees what the variant owns (the BSTR of VT_BSTR) and makes it VT_EMPTY.
HRESULT VariantClear(VARIANT* v);
