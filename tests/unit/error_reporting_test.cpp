#include "class_ids.h"
#include "com/boundary.h"
#include "com/error_reporting.h"
#include "common/com_exception.h"
#include "common/com_ref.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <string>
#include <vector>

namespace {

void InstallErrorInfo(const wchar_t* source, const wchar_t* description, const GUID& guid) {
  ComRef<ICreateErrorInfo> create;
  ASSERT_EQ(S_OK, CreateErrorInfo(create.Put()));
  create->SetSource(const_cast<wchar_t*>(source));
  create->SetDescription(const_cast<wchar_t*>(description));
  create->SetGUID(guid);
  ComRef<IErrorInfo> info;
  ASSERT_EQ(S_OK, create.QueryTo(IID_IErrorInfo, info));
  SetErrorInfo(0, info.Get());
}

// A class of this test alone whose ProgID is registered while the object lives, so that
// ProgIDFromCLSID finds something without touching the component's registration.
#define TEST_CLASS_GUID "5E1A7C33-2B4D-4F6E-8A9B-0C1D2E3F4A5B"
const ErrorReporter TestClassErrors(ParseGuid(TEST_CLASS_GUID));

struct RegisteredProgId {
  RegisteredProgId() {
    RegSetKeyValueA(HKEY_CLASSES_ROOT, "CLSID\\{" TEST_CLASS_GUID "}\\ProgID", nullptr, REG_SZ,
                    "QvTest.Reporter.1", sizeof "QvTest.Reporter.1");
  }
  ~RegisteredProgId() { RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{" TEST_CLASS_GUID "}"); }
};

TEST(ThrowIfFailed, DescriptionFromErrorInformationThenSystemTextThenUnknownError) {
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));

  InstallErrorInfo(L"", L"Installer says no", kIidMMCatalogAlt2);
  const com_exception fromInfo = Raised([] { ThrowIfFailed(E_FAIL); });
  EXPECT_EQ(E_FAIL, fromInfo.Code());
  EXPECT_EQ("Installer says no", fromInfo.Description());
  EXPECT_TRUE(IsEqualGUID(kIidMMCatalogAlt2, fromInfo.InterfaceId()));
  EXPECT_FALSE(TakeErrorInfo().hasInfo) << "the information is taken away";

  const com_exception fromSystem = Raised([] { ThrowIfFailed(E_ACCESSDENIED); });
  EXPECT_EQ(SystemMessageText(E_ACCESSDENIED), fromSystem.Description());

  const HRESULT unknown = static_cast<HRESULT>(0x8FFF1234);
  ASSERT_TRUE(SystemMessageText(unknown).empty());
  EXPECT_EQ("Unknown error", Raised([&] { ThrowIfFailed(unknown); }).Description());
}

TEST(ReportComException, AnUnregisteredClassGivesNoSourceButKeepsTheRest) {
  const ErrorReporter unregistered(ParseGuid("0B9E3C55-7D4A-4E1F-9C2B-5A6D7E8F9012"));
  unregistered.ReportComException(com_exception(E_FAIL, "Caf\xe9 closed", kIidMMCatalogAlt2));
  const ErrorView view = TakeErrorInfo();
  ASSERT_TRUE(view.hasInfo);
  EXPECT_EQ(L"", view.source);
  EXPECT_EQ(L"Caf\x00e9 closed", view.description);
  EXPECT_TRUE(IsEqualGUID(kIidMMCatalogAlt2, view.guid));
}

// What OutputDebugStringA wrote while CaptureTrace was installed: it raises DBG_PRINTEXCEPTION_C
// (length, text), which a vectored handler sees first and ends as a debugger would.
std::vector<std::string> trace;
LONG CALLBACK CaptureTrace(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& raised = *exception->ExceptionRecord;
  if (raised.ExceptionCode != DBG_PRINTEXCEPTION_C) return EXCEPTION_CONTINUE_SEARCH;
  trace.emplace_back(reinterpret_cast<const char*>(raised.ExceptionInformation[1]),
                     raised.ExceptionInformation[0] - 1);
  return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(ComBoundary, ReportsUnderTheClassesProgIdWithTheTextUnchangedAndLetsNoCppExceptionOut) {
  RegisteredProgId registered;
  InstallErrorInfo(L"SomebodyElse.Object", L"line one\r\nline two\r\n", kIidMMCatalogAlt3);
  void* const capture = AddVectoredExceptionHandler(1, CaptureTrace);
  EXPECT_EQ(E_INVALIDARG, ComBoundary(TestClassErrors, [] {
              ThrowIfFailed(E_INVALIDARG);
              return S_OK;
            }));
  RemoveVectoredExceptionHandler(capture);
  // The one diagnostic output: four pieces, the code in signed decimal, no newline after.
  EXPECT_EQ((std::vector<std::string>{"\nException caught: ", "-2147024809", " = ",
                                      "line one\r\nline two\r\n"}),
            trace);
  const ErrorView view = TakeErrorInfo();
  EXPECT_EQ(L"QvTest.Reporter.1", view.source);
  EXPECT_EQ(L"line one\r\nline two\r\n", view.description);
  EXPECT_TRUE(IsEqualGUID(kIidMMCatalogAlt3, view.guid));

  EXPECT_EQ(E_OUTOFMEMORY,
            ComBoundary(TestClassErrors, []() -> HRESULT { throw std::bad_alloc(); }));
  EXPECT_EQ(E_UNEXPECTED,
            ComBoundary(TestClassErrors, []() -> HRESULT { throw std::out_of_range("at"); }));
  EXPECT_EQ(E_UNEXPECTED, ComBoundary(TestClassErrors, []() -> HRESULT { throw 42; }));
  EXPECT_EQ(L"QvTest.Reporter.1", TakeErrorInfo().source) << "reported like any failure";
}

}  // namespace
