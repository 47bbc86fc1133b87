// Class, type-library and alternative interface identifiers as C++ constants, read from the
// same texts the IDL uses (idl/qvmodcat_ids.h).  Declared interfaces are named with
// __uuidof(IName) from the widl-generated headers instead.
#pragma once

#include "qv_guid.h"
#include "qvmodcat_ids.h"

inline constexpr GUID kLibidQvModCat2 = ParseGuid(QV_GUID_LIBID_QVMODCAT2Lib);
inline constexpr GUID kLibidQvModCatInterfaces = ParseGuid(QV_GUID_LIBID_QvModCatInterfaces);

inline constexpr CLSID kClsidMMCatalog = ParseGuid(QV_GUID_CLSID_MMCatalog);
inline constexpr CLSID kClsidMMCatalogPro = ParseGuid(QV_GUID_CLSID_MMCatalogPro);
inline constexpr CLSID kClsidMergeModule2 = ParseGuid(QV_GUID_CLSID_MergeModule2);
inline constexpr CLSID kClsidMMCatalogManager = ParseGuid(QV_GUID_CLSID_MMCatalogManager);

inline constexpr IID kIidMMCatalogAlt2 = ParseGuid(QV_GUID_IID_IMMCatalog_Alt2);
inline constexpr IID kIidMMCatalogAlt3 = ParseGuid(QV_GUID_IID_IMMCatalog_Alt3);
inline constexpr IID kIidMergeModule2Alt1 = ParseGuid(QV_GUID_IID_IMergeModule2_Alt1);
inline constexpr IID kIidMergeModule2Alt2 = ParseGuid(QV_GUID_IID_IMergeModule2_Alt2);
