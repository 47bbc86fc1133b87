// Resource identifiers of QvModCat2.dll.
#pragma once

#define IDS_CLASS_DESCRIPTION 1009  // description of every registered class
#define IDR_TYPELIB 1               // the embedded type library (resource type "TYPELIB")
