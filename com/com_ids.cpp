// Defines the GUIDs declared by the generated header, once.
#include "com_ids.hpp"

#include <initguid.h>
