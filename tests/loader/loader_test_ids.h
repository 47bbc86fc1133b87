// What the loader tests share with their helper libraries: the test companion's classes and
// failure codes, and the probe's exports.
#pragma once

#include "qv_guid.h"

#include <windows.h>
#include <unknwn.h>

// Served: the object answers IUnknown and IPersist (its class ID is this CLSID).
inline constexpr CLSID kClsidCompanionObject = ParseGuid("8E4A1D52-6C1B-4F0A-9E27-3B5D7A10C001");
// DllGetClassObject fails with kFactoryFailure.
inline constexpr CLSID kClsidFactoryFails = ParseGuid("8E4A1D52-6C1B-4F0A-9E27-3B5D7A10C002");
// The factory's CreateInstance fails with kCreateFailure.
inline constexpr CLSID kClsidCreateFails = ParseGuid("8E4A1D52-6C1B-4F0A-9E27-3B5D7A10C003");

inline constexpr HRESULT kFactoryFailure = static_cast<HRESULT>(0x80040A01);
inline constexpr HRESULT kCreateFailure = static_cast<HRESULT>(0x80040A02);

// LoaderProbe.dll exports (each copy of the probe has its own loader and cache).
using ProbeCreateFunction = HRESULT (*)(const wchar_t* library, const CLSID* clsid,
                                        const IID* iid, void** object);
// Number of cached libraries; with `index` in range, also the name and handle of that entry.
using ProbeCacheEntryFunction = int (*)(int index, wchar_t* name, int capacity,
                                        HMODULE* handle);
