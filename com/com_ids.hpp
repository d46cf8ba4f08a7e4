#pragma once
// The interfaces, identities and type library that widl makes from
// com/tavirel.idl (the GUIDs are defined by widl's tavirel_i.c).
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include "tavirel_h.h"
