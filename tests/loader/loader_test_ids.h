// What the loader tests share with their libraries: the test companion's classes and failure
// codes, and the probe's exports.
#pragma once

#include "qv_guid.h"

#include <windows.h>

// Served by a factory whose CreateInstance fails with kCreateFailure when asked for IStream.
inline constexpr CLSID kClsidServed = ParseGuid("8E4A1D52-6C1B-4F0A-9E27-3B5D7A10C001");
// DllGetClassObject fails with kFactoryFailure.
inline constexpr CLSID kClsidFactoryFails = ParseGuid("8E4A1D52-6C1B-4F0A-9E27-3B5D7A10C002");
inline constexpr HRESULT kFactoryFailure = static_cast<HRESULT>(0x80040A01);
inline constexpr HRESULT kCreateFailure = static_cast<HRESULT>(0x80040A02);

// LoaderProbe.dll exports (each copy of the probe has its own loader and cache).
using ProbeCreateFunction = HRESULT (*)(const wchar_t* library, const CLSID* clsid,
                                        const IID* iid, void** object);
using ProbeCachedFunction = HMODULE (*)(const wchar_t* library);  // null when not cached
using ProbeCacheSizeFunction = int (*)();
