#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/com_ref.h"
#include "common/unique_handle.h"
#include "server/boundary.h"
#include "server/class_ids.h"
#include "server/error_reporting.h"
#include "support/debug_output_capture.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <string>

namespace {

void InstallErrorInfo(const wchar_t* description, const GUID& guid) {
  ComRef<ICreateErrorInfo> create;
  ASSERT_EQ(S_OK, CreateErrorInfo(create.Put()));
  create->SetDescription(const_cast<wchar_t*>(description));
  create->SetGUID(guid);
  ComRef<IErrorInfo> info;
  ASSERT_EQ(S_OK, create.QueryTo(IID_IErrorInfo, info));
  SetErrorInfo(0, info.Get());
}

com_exception CaughtFrom(HRESULT code) {
  try {
    ThrowIfFailed(code);
  } catch (const com_exception& error) {
    return error;
  }
  return com_exception(S_OK, "not raised");
}

struct ClientView {
  HRESULT code;
  std::wstring source, description;
  GUID guid;
  bool hasInfo;
};

ClientView WhatTheClientSees(HRESULT code) {
  ClientView view{code, L"", L"", GUID{}, false};
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) == S_OK && info) {
    view.hasInfo = true;
    UniqueBstr source, description;
    info->GetSource(source.Put());
    info->GetDescription(description.Put());
    info->GetGUID(&view.guid);
    if (source.Get()) view.source = source.Get();
    if (description.Get()) view.description = description.Get();
  }
  return view;
}

// A class of this test alone, with a ProgID registered for as long as the object lives, so
// that ProgIDFromCLSID has something to find without touching the component's registration.
#define TEST_CLASS_GUID "5E1A7C33-2B4D-4F6E-8A9B-0C1D2E3F4A5B"
const ErrorReporter TestClassErrors(ParseGuid(TEST_CLASS_GUID));

class RegisteredProgId {
 public:
  explicit RegisteredProgId(const char* progId) {
    RegCreateKeyExA(HKEY_CLASSES_ROOT, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key_.Put(), nullptr);
    RegSetValueExA(key_.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId),
                   static_cast<DWORD>(strlen(progId) + 1));
  }
  ~RegisteredProgId() {
    key_.Reset();
    RegDeleteKeyA(HKEY_CLASSES_ROOT, KeyPath().c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + ClsidText()).c_str());
  }

 private:
  static std::string ClsidText() { return "{" TEST_CLASS_GUID "}"; }
  static std::string KeyPath() { return "CLSID\\" + ClsidText() + "\\ProgID"; }
  RegKey key_;
};

TEST(ThrowIfFailed, SuccessCodesDoNotRaise) {
  EXPECT_NO_THROW(ThrowIfFailed(S_OK));
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));
}

TEST(ThrowIfFailed, TakesTheThreadsErrorInformationAndClearsIt) {
  const GUID guid = kIidMMCatalogAlt2;
  InstallErrorInfo(L"Installer says no", guid);
  const com_exception error = CaughtFrom(E_FAIL);
  EXPECT_EQ(E_FAIL, error.Code());
  EXPECT_EQ("Installer says no", error.Description());
  EXPECT_TRUE(IsEqualGUID(guid, error.InterfaceId()));

  ComRef<IErrorInfo> left;
  EXPECT_EQ(S_FALSE, GetErrorInfo(0, left.Put()));
}

TEST(ThrowIfFailed, WithoutErrorInformationUsesTheSystemText) {
  const com_exception error = CaughtFrom(E_ACCESSDENIED);
  EXPECT_EQ(SystemMessageText(E_ACCESSDENIED), error.Description());
  EXPECT_FALSE(error.Description().empty());
  EXPECT_TRUE(IsEqualGUID(GUID{}, error.InterfaceId()));
}

TEST(ThrowIfFailed, CodesWithoutSystemTextGiveUnknownError) {
  const HRESULT unknown = static_cast<HRESULT>(0x8FFF1234);
  ASSERT_TRUE(SystemMessageText(unknown).empty());
  EXPECT_EQ("Unknown error", CaughtFrom(unknown).Description());
}

TEST(HresultFromWin32Code, PositiveCodesGoToTheWin32Facility) {
  EXPECT_EQ(static_cast<HRESULT>(0x8007006E), HresultFromWin32Code(110));
  EXPECT_EQ(static_cast<HRESULT>(0x8007065B), HresultFromWin32Code(1627));
  EXPECT_EQ(E_FAIL, HresultFromWin32Code(E_FAIL));
  EXPECT_EQ(S_OK, HresultFromWin32Code(0));
}

TEST(ReportComException, WritesTheTraceInFourPieces) {
  DebugOutputCapture capture;
  MMCatalogErrors.ReportComException(com_exception(E_FAIL, "It failed"));
  ASSERT_EQ(4u, capture.Pieces().size());
  EXPECT_EQ("\nException caught: ", capture.Pieces()[0]);
  EXPECT_EQ("-2147467259", capture.Pieces()[1]);
  EXPECT_EQ(" = ", capture.Pieces()[2]);
  EXPECT_EQ("It failed", capture.Pieces()[3]);
  GetErrorInfo(0, ComRef<IErrorInfo>().Put());
}

TEST(ReportComException, SourceIsTheReportingClassesProgIdAndTheTextIsUnchanged) {
  RegisteredProgId progId("QvTest.Reporter.1");
  const GUID guid = kIidMMCatalogAlt3;
  const HRESULT code = TestClassErrors.ReportComException(
      com_exception(E_INVALIDARG, "line one\r\nline two\r\n", guid));
  const ClientView view = WhatTheClientSees(code);
  EXPECT_EQ(E_INVALIDARG, view.code);
  ASSERT_TRUE(view.hasInfo);
  EXPECT_EQ(L"QvTest.Reporter.1", view.source);
  EXPECT_EQ(L"line one\r\nline two\r\n", view.description);
  EXPECT_TRUE(IsEqualGUID(guid, view.guid));
}

TEST(ReportComException, AnUnregisteredClassGivesNoSourceButKeepsTheRest) {
  // A class identifier that nobody registers (the component's own classes are registered in
  // the test prefix).
  const ErrorReporter unregistered(ParseGuid("0B9E3C55-7D4A-4E1F-9C2B-5A6D7E8F9012"));
  const HRESULT code =
      unregistered.ReportComException(com_exception(E_FAIL, "Caf\xe9 closed", kIidMMCatalogAlt2));
  const ClientView view = WhatTheClientSees(code);
  ASSERT_TRUE(view.hasInfo);
  EXPECT_EQ(L"", view.source);
  EXPECT_EQ(L"Caf\x00e9 closed", view.description);
  EXPECT_TRUE(IsEqualGUID(kIidMMCatalogAlt2, view.guid));
}

TEST(ReportComException, TheSourceOfCapturedErrorInformationIsReplaced) {
  RegisteredProgId progId("QvTest.Reporter.1");
  ComRef<ICreateErrorInfo> create;
  ASSERT_EQ(S_OK, CreateErrorInfo(create.Put()));
  create->SetSource(const_cast<wchar_t*>(L"SomebodyElse.Object"));
  create->SetDescription(const_cast<wchar_t*>(L"inner text"));
  ComRef<IErrorInfo> info;
  create.QueryTo(IID_IErrorInfo, info);
  SetErrorInfo(0, info.Get());
  const HRESULT code = ComBoundary(TestClassErrors, [] {
    ThrowIfFailed(E_FAIL);
    return S_OK;
  });
  const ClientView view = WhatTheClientSees(code);
  EXPECT_EQ(L"QvTest.Reporter.1", view.source);
  EXPECT_EQ(L"inner text", view.description);
}

TEST(ComBoundary, NoCppExceptionCrossesTheBoundary) {
  EXPECT_EQ(S_OK, ComBoundary(MergeModule2Errors, [] { return S_OK; }));
  EXPECT_EQ(E_OUTOFMEMORY, ComBoundary(MergeModule2Errors, []() -> HRESULT {
              throw std::bad_alloc();
            }));
  EXPECT_EQ(E_UNEXPECTED, ComBoundary(MergeModule2Errors, []() -> HRESULT {
              throw std::out_of_range("position");
            }));
  EXPECT_EQ(E_UNEXPECTED, ComBoundary(MergeModule2Errors, []() -> HRESULT { throw 42; }));
  const ClientView view = WhatTheClientSees(E_UNEXPECTED);
  EXPECT_TRUE(view.hasInfo);
}

}  // namespace
