// The module's class-object list. Each class object links itself at the head of one module-wide
// singly linked list while it is constructed; the module's class objects are built during
// static initialisation in the order calculation class, settings class (built by the
// calculation class), enumerator class, so the list runs enumerator, settings, calculation,
// and that is the order in which the framework registry receives them.
#pragma once

#include "interfaces/class_objects.h"

namespace Tessar {

class CalcClass;
class SettingsClass;
class CalcEnumClass2;

struct ClassObjectLink {
    ClassObjectLink* next;
    IZORClassObject* object;
};

// Links at the head. Called by class objects during static initialisation (not thread-safe).
void LinkClassObject(ClassObjectLink& link);
// The head of the list (the class object linked last); null when none is linked.
const ClassObjectLink* ClassObjectListHead();

// Hands every class object of the list, from its head, to the object factory's
// RegisterClassObject, fetching the factory for each (which starts the framework when the host
// has not). A class object that cannot be registered is skipped, the rest still are. Returns 0.
HRESULT RegisterClassObjects();

// The module's class objects: immortal statics (the framework registry may hold them until the
// process ends).
CalcClass& TheCalcClass();
SettingsClass& TheSettingsClass();
CalcEnumClass2& TheCalcEnumClass();

}  // namespace Tessar
