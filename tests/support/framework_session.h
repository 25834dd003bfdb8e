// The framework started as the application starts it (libzor.so from the test's folder), the
// modules in that folder loaded through it, and the calibration module's calculation class and
// automation interface found by name: once per test process.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/zor/framework_client.h"
#include "interfaces/class_objects.h"
#include "interfaces/tessar_automation.h"
#include "interfaces/zor_framework.h"
#include "platform/com_ptr.h"

namespace TestSupport {

struct FrameworkSession {
    platform::ComPtr<IZorFramework> framework;
    platform::ComPtr<ICalculationClass> tessar;
    platform::ComPtr<ITessarAutomation> automation;
};

inline const FrameworkSession& TheSession()
{
    static const FrameworkSession session = [] {
        FrameworkSession s;
        std::string problem;
        EXPECT_EQ(Zor::StartFramework("", s.framework.Put(), &problem), S_OK) << problem;
        s.framework->LoadModules(nullptr, nullptr, nullptr);
        platform::ComPtr<IUnknown> calc;
        EXPECT_EQ(Zor::FindClassByName(s.framework.Get(), KIND_CalculationClass, u"Tessar", calc.Put()), S_OK);
        calc.As(IID_ICalculationClass, s.tessar);
        calc.As(IID_ITessarAutomation, s.automation);
        return s;
    }();
    return session;
}

}  // namespace TestSupport
