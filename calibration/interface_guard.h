// The boundary between the module's code, which raises XKVI and XHResult, and the host's
// interfaces, which only carry HRESULTs: every interface slot that can meet a raised error
// runs its body through GuardedCall.
#pragma once

#include <new>
#include <utility>

#include "foundation/xkvi.h"
#include "platform/hresult.h"

namespace Tessar {

// Runs body (a callable returning HRESULT) and turns whatever it raises into a result:
// XKVI and XHResult give their code, std::bad_alloc E_OUTOFMEMORY, anything else E_FAIL.
template <class Body>
HRESULT GuardedCall(Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const XKVI& e) {
        return e.Code();
    } catch (const XHResult& e) {
        return e.Code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace Tessar
