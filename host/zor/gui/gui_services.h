// Zor::InstallGuiServices: makes the Qt services of the framework library (scale service, help
// service, printing) reachable through OptionalServices. libzor.so calls it when it is loaded;
// tests that link the services directly call it themselves. Repeated calls do nothing more.
#pragma once

namespace Zor {

void InstallGuiServices();

}  // namespace Zor
