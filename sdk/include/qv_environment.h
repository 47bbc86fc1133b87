// Contracts of the authoring environment that QvModCat2 consumes.
//
// These are the environment's published vtable layouts and identifiers: the application
// services library (QvAppServices.dll), the profile reader (Keyfile.dll), the project object
// handed to SupportsProject, and the host library's export for the active project type.  Only
// the slots the component calls are named; the others are placeholders that keep the slot
// numbers right.  The component and the environment stand-ins both build against this file.
#pragma once

#include <oaidl.h>
#include <unknwn.h>

#include "qv_guid.h"

// ---------------------------------------------------------------------------------------------
// Application services (QvAppServices.dll).  One object answers both interfaces.

inline constexpr CLSID kClsidAppServices = ParseGuid("372D2CED-35BD-4EED-A673-893A011850EA");
inline constexpr IID kIidAppServices = ParseGuid("B0121E23-6DC1-4A6F-83A1-54B170E39AEA");
inline constexpr IID kIidAppFolders = ParseGuid("7F0DD806-0A5A-41EA-8B03-319D80187016");
inline constexpr wchar_t kAppServicesLibrary[] = L"QvAppServices.dll";

#define QV_PLACEHOLDER(slot) virtual HRESULT STDMETHODCALLTYPE Slot##slot() = 0

// Slots are counted from 0 with the three IUnknown slots included.
struct IAppServices : public IUnknown {
  QV_PLACEHOLDER(3); QV_PLACEHOLDER(4); QV_PLACEHOLDER(5); QV_PLACEHOLDER(6); QV_PLACEHOLDER(7);
  QV_PLACEHOLDER(8); QV_PLACEHOLDER(9); QV_PLACEHOLDER(10); QV_PLACEHOLDER(11);
  QV_PLACEHOLDER(12); QV_PLACEHOLDER(13); QV_PLACEHOLDER(14); QV_PLACEHOLDER(15);
  QV_PLACEHOLDER(16); QV_PLACEHOLDER(17); QV_PLACEHOLDER(18); QV_PLACEHOLDER(19);
  QV_PLACEHOLDER(20);
  virtual HRESULT STDMETHODCALLTYPE GetSearchPathList(BSTR* list) = 0;        // 21
  virtual HRESULT STDMETHODCALLTYPE SetSearchPathList(BSTR list) = 0;         // 22
  QV_PLACEHOLDER(23);
  virtual HRESULT STDMETHODCALLTYPE GetModuleFolderAt(long index, BSTR* folder) = 0;  // 24
  QV_PLACEHOLDER(25); QV_PLACEHOLDER(26); QV_PLACEHOLDER(27); QV_PLACEHOLDER(28);
  QV_PLACEHOLDER(29); QV_PLACEHOLDER(30); QV_PLACEHOLDER(31); QV_PLACEHOLDER(32);
  QV_PLACEHOLDER(33); QV_PLACEHOLDER(34); QV_PLACEHOLDER(35); QV_PLACEHOLDER(36);
  QV_PLACEHOLDER(37); QV_PLACEHOLDER(38); QV_PLACEHOLDER(39);
  virtual HRESULT STDMETHODCALLTYPE GetMatchVersion(long* match) = 0;         // 40
  QV_PLACEHOLDER(41);
  virtual HRESULT STDMETHODCALLTYPE GetMatchFolder(long* match) = 0;          // 42
  QV_PLACEHOLDER(43); QV_PLACEHOLDER(44); QV_PLACEHOLDER(45); QV_PLACEHOLDER(46);
  QV_PLACEHOLDER(47); QV_PLACEHOLDER(48); QV_PLACEHOLDER(49); QV_PLACEHOLDER(50);
  QV_PLACEHOLDER(51); QV_PLACEHOLDER(52); QV_PLACEHOLDER(53); QV_PLACEHOLDER(54);
  QV_PLACEHOLDER(55); QV_PLACEHOLDER(56); QV_PLACEHOLDER(57); QV_PLACEHOLDER(58);
  QV_PLACEHOLDER(59); QV_PLACEHOLDER(60); QV_PLACEHOLDER(61); QV_PLACEHOLDER(62);
  QV_PLACEHOLDER(63); QV_PLACEHOLDER(64); QV_PLACEHOLDER(65); QV_PLACEHOLDER(66);
  QV_PLACEHOLDER(67); QV_PLACEHOLDER(68); QV_PLACEHOLDER(69); QV_PLACEHOLDER(70);
  QV_PLACEHOLDER(71); QV_PLACEHOLDER(72); QV_PLACEHOLDER(73); QV_PLACEHOLDER(74);
  QV_PLACEHOLDER(75); QV_PLACEHOLDER(76); QV_PLACEHOLDER(77); QV_PLACEHOLDER(78);
  QV_PLACEHOLDER(79); QV_PLACEHOLDER(80); QV_PLACEHOLDER(81);
  virtual HRESULT STDMETHODCALLTYPE GetPreferredLanguage(BSTR* language) = 0;  // 82
};

struct IAppFolders : public IUnknown {
  QV_PLACEHOLDER(3); QV_PLACEHOLDER(4); QV_PLACEHOLDER(5); QV_PLACEHOLDER(6);
  virtual HRESULT STDMETHODCALLTYPE GetProductFolder(BSTR* folder) = 0;       // 7
  QV_PLACEHOLDER(8); QV_PLACEHOLDER(9); QV_PLACEHOLDER(10); QV_PLACEHOLDER(11);
  QV_PLACEHOLDER(12); QV_PLACEHOLDER(13); QV_PLACEHOLDER(14); QV_PLACEHOLDER(15);
  QV_PLACEHOLDER(16); QV_PLACEHOLDER(17); QV_PLACEHOLDER(18);
  virtual HRESULT STDMETHODCALLTYPE GetFilesIniFolder(BSTR* folder) = 0;      // 19
  virtual HRESULT STDMETHODCALLTYPE GetModulesIniFolder(BSTR* folder) = 0;    // 20
  QV_PLACEHOLDER(21); QV_PLACEHOLDER(22); QV_PLACEHOLDER(23); QV_PLACEHOLDER(24);
  QV_PLACEHOLDER(25); QV_PLACEHOLDER(26); QV_PLACEHOLDER(27); QV_PLACEHOLDER(28);
  QV_PLACEHOLDER(29); QV_PLACEHOLDER(30); QV_PLACEHOLDER(31); QV_PLACEHOLDER(32);
  QV_PLACEHOLDER(33); QV_PLACEHOLDER(34); QV_PLACEHOLDER(35); QV_PLACEHOLDER(36);
  QV_PLACEHOLDER(37); QV_PLACEHOLDER(38); QV_PLACEHOLDER(39); QV_PLACEHOLDER(40);
  QV_PLACEHOLDER(41); QV_PLACEHOLDER(42); QV_PLACEHOLDER(43); QV_PLACEHOLDER(44);
  QV_PLACEHOLDER(45);
  virtual HRESULT STDMETHODCALLTYPE GetExtraSearchPathList(BSTR* list) = 0;   // 46
  QV_PLACEHOLDER(47); QV_PLACEHOLDER(48); QV_PLACEHOLDER(49); QV_PLACEHOLDER(50);
  QV_PLACEHOLDER(51); QV_PLACEHOLDER(52); QV_PLACEHOLDER(53); QV_PLACEHOLDER(54);
  QV_PLACEHOLDER(55);
  virtual HRESULT STDMETHODCALLTYPE GetExcludedFilePatterns(BSTR* patterns) = 0;  // 56
};

// ---------------------------------------------------------------------------------------------
// Profile reader (Keyfile.dll): dual interfaces; the component calls them through the vtable.
// Positions are 1-based.

inline constexpr CLSID kClsidProfileReader = ParseGuid("15FDC03C-2B51-4366-AD7F-8BEDCB8E6D57");
inline constexpr IID kIidProfileReader = ParseGuid("61957823-84BB-4D36-8818-409BCC8C09CB");
inline constexpr IID kIidProfileSections = ParseGuid("6F727BF3-B631-4E97-AD70-AD8113A468EC");
inline constexpr IID kIidProfileSection = ParseGuid("0D3BCB47-066F-495B-B8B0-DF6904601234");
inline constexpr IID kIidProfileKeys = ParseGuid("78D36851-E05E-42AB-9339-F2BB03BA630F");
inline constexpr IID kIidProfileKey = ParseGuid("0E84558D-704E-4167-9EC6-9E133B9EBBC2");
inline constexpr wchar_t kProfileReaderLibrary[] = L"Keyfile.dll";

struct IProfileKey : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE Value(BSTR* value) = 0;
};

struct IProfileKeys : public IDispatch {
  // Index: a key name (string) or a position (4-byte integer from 1).  An absent name gives
  // S_OK and none.
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT index, IProfileKey** key) = 0;
  virtual HRESULT STDMETHODCALLTYPE Count(long* count) = 0;
};

struct IProfileSection : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE Keys(IProfileKeys** keys) = 0;
};

struct IProfileSections : public IDispatch {
  // Index: a section name (string).  After a successful Open every name gives a section
  // object; one the file lacks is empty.
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT index, IProfileSection** section) = 0;
  virtual HRESULT STDMETHODCALLTYPE Count(long* count) = 0;
};

struct IProfileReader : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Sections(IProfileSections** sections) = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(BSTR path) = 0;
};

// ---------------------------------------------------------------------------------------------
// The project object handed to SupportsProject.  Its ProjectObject interface gives, in slot 14,
// an object whose slot 42 gives the 32-bit project type.

inline constexpr IID kIidProjectObject = ParseGuid("107DECF9-215D-4D1B-AD2B-6623315F9972");

struct IProjectObject : public IUnknown {
  QV_PLACEHOLDER(3); QV_PLACEHOLDER(4); QV_PLACEHOLDER(5); QV_PLACEHOLDER(6); QV_PLACEHOLDER(7);
  QV_PLACEHOLDER(8); QV_PLACEHOLDER(9); QV_PLACEHOLDER(10); QV_PLACEHOLDER(11);
  QV_PLACEHOLDER(12); QV_PLACEHOLDER(13);
  virtual HRESULT STDMETHODCALLTYPE GetProjectSettings(IUnknown** settings) = 0;  // 14
};

struct IProjectSettings : public IUnknown {
  QV_PLACEHOLDER(3); QV_PLACEHOLDER(4); QV_PLACEHOLDER(5); QV_PLACEHOLDER(6); QV_PLACEHOLDER(7);
  QV_PLACEHOLDER(8); QV_PLACEHOLDER(9); QV_PLACEHOLDER(10); QV_PLACEHOLDER(11);
  QV_PLACEHOLDER(12); QV_PLACEHOLDER(13); QV_PLACEHOLDER(14); QV_PLACEHOLDER(15);
  QV_PLACEHOLDER(16); QV_PLACEHOLDER(17); QV_PLACEHOLDER(18); QV_PLACEHOLDER(19);
  QV_PLACEHOLDER(20); QV_PLACEHOLDER(21); QV_PLACEHOLDER(22); QV_PLACEHOLDER(23);
  QV_PLACEHOLDER(24); QV_PLACEHOLDER(25); QV_PLACEHOLDER(26); QV_PLACEHOLDER(27);
  QV_PLACEHOLDER(28); QV_PLACEHOLDER(29); QV_PLACEHOLDER(30); QV_PLACEHOLDER(31);
  QV_PLACEHOLDER(32); QV_PLACEHOLDER(33); QV_PLACEHOLDER(34); QV_PLACEHOLDER(35);
  QV_PLACEHOLDER(36); QV_PLACEHOLDER(37); QV_PLACEHOLDER(38); QV_PLACEHOLDER(39);
  QV_PLACEHOLDER(40); QV_PLACEHOLDER(41);
  virtual HRESULT STDMETHODCALLTYPE GetProjectType(long* type) = 0;  // 42
};

#undef QV_PLACEHOLDER

// ---------------------------------------------------------------------------------------------
// Host library: the active project type (0 or 1 selects a folder token notation).

inline constexpr char kHostLibrary[] = "QVObjMgr.DLL";
inline constexpr char kActiveProjectTypeExport[] = "_GetActiveProjectType@0";
typedef long(WINAPI* GetActiveProjectTypeFunction)();
