// InstallerQuery and ModuleRecord: what the msitools comparison cannot see; the shared installer.
#include "installer/installer_automation.h"
#include "installer/installer_query.h"
#include "installer/shared_installer.h"
#include "module/module_record.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace InstallerMember;

WideString Package(const char* name) { return FixturePackage("installer_packages", name); }

// Objects are named by the members that made them: the installer 0, a database 4, a view 43,
// summary information 42.
enum SpiedObject { kInstaller = 0, kView = 43, kSummary = 42 };

struct SpyLog {
  // The `countdown`-th call of `member` on `object` with `argument` first (any when -1) fails.
  struct Fault { int object; DISPID member; LONG argument; int countdown; HRESULT code; };
  int calls = 0;
  std::vector<Fault> faults;
};

// Wraps an installer automation object and every object it hands out, to count the calls and
// to fail chosen calls the way the installer fails (an exception of its own).
class SpyDispatch final : public IDispatch {
 public:
  SpyDispatch(IDispatch* inner, int object, std::shared_ptr<SpyLog> log)
      : inner_(inner), object_(object), log_(std::move(log)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
    return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    ++log_->calls;
    const VARIANT* first = parameters->cArgs ? &parameters->rgvarg[parameters->cArgs - 1] : nullptr;
    const LONG argument = first && V_VT(first) == VT_I4 ? V_I4(first) : -1;
    for (SpyLog::Fault& fault : log_->faults) {
      if (fault.object == object_ && fault.member == member && fault.countdown > 0 &&
          (fault.argument == -1 || fault.argument == argument) && --fault.countdown == 0) {
        *exception = EXCEPINFO{};
        exception->scode = fault.code;
        exception->bstrDescription = SysAllocString(L"refused by the test");
        return DISP_E_EXCEPTION;
      }
    }
    const HRESULT code =
        inner_->Invoke(member, iid, locale, kind, parameters, result, exception, argumentError);
    if (SUCCEEDED(code) && result && V_VT(result) == VT_DISPATCH && V_DISPATCH(result)) {
      IDispatch* real = V_DISPATCH(result);
      V_DISPATCH(result) = new SpyDispatch(real, object_ * 10 + member, log_);
      real->Release();
    }
    return code;
  }

 private:
  ComRef<IDispatch> inner_;
  int object_;
  std::shared_ptr<SpyLog> log_;
  ULONG references_ = 1;
};

class Spied : public ::testing::Test {
 protected:
  ModuleRecord record_;  // holds the shared installer object for the test
  std::shared_ptr<SpyLog> log_ = std::make_shared<SpyLog>();
  ComRef<IDispatch> spy_ =
      ComRef<IDispatch>::Attach(new SpyDispatch(SharedInstaller::Get().Get(), 0, log_));
};

TEST_F(Spied, QueryOnAMissingTableOrPackageOrWithRefusedSqlGivesNoRows) {
  const std::pair<WideString, const wchar_t*> cases[] = {
      {Package("signature_only"), L"SELECT * FROM ModuleDependency"},
      {L"Z:\\qv\\no\\such\\package.msm", L"SELECT * FROM Dialog"},
      {Package("not_a_package"), L"SELECT * FROM Dialog"},
      {Package("viewer_en"), L"SELECT FROM WHERE"}};
  for (const auto& [package, sql] : cases) {
    InstallerQuery query;
    EXPECT_NO_THROW(query.OpenSql(spy_, package, sql)) << package.Ansi();
    EXPECT_FALSE(query.Fetch()) << package.Ansi();
  }
}

TEST_F(Spied, RefusedCommentReadsAsTheFixedMessageAndOtherRefusalsReachTheCaller) {
  log_->faults.push_back({kSummary, SummaryInfoProperty, SummaryProperty::Comments, 1, E_FAIL});
  SharedInstaller::Replacement replacement(spy_);
  ModuleRecord record;
  record.InitFromPackage(Package("viewer_en"));
  EXPECT_EQ(WideString(L"MSI Error Loading Comment: Limit your comment to 259 characters."),
            record.Comments());
  EXPECT_EQ(WideString(L"Acme Viewer Runtime"), record.Subject()) << "reading goes on";

  // Refusals of the author, the package code and the subject reach the caller; the fields read
  // before them (in the order 4, 6, 9, 3) keep their values.
  const WideString author = L"Acme Corporation", code = L"{6C3D2E1F-0A1B-4C5D-8E9F-102132435465}";
  const struct {
    LONG property;
    WideString author, name;
  } refusals[] = {{SummaryProperty::Author, L"", L""},
                  {SummaryProperty::RevisionNumber, author, L""},
                  {SummaryProperty::Subject, author, code}};
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.property);
    log_->faults.push_back({kSummary, SummaryInfoProperty, refusal.property, 1, E_ABORT});
    ModuleRecord refused;
    EXPECT_EQ(E_ABORT, RaisedCode([&] { refused.InitFromPackage(Package("viewer_en")); }));
    EXPECT_EQ(refusal.author, refused.Author());
    EXPECT_EQ(refusal.name, refused.Name());
    EXPECT_EQ(WideString(), refused.Subject());
    ModuleRecordSnapshot snapshot;
    EXPECT_FALSE(refused.TakeSnapshot(snapshot)) << "a record read part way is kept nowhere";
  }
}

TEST_F(Spied, APackageTheInstallerRefusesOnceHasAnEmptyIdentityButItsSummary) {
  log_->faults.push_back({kInstaller, InstallerOpenDatabase, -1, 1, E_FAIL});
  SharedInstaller::Replacement replacement(spy_);
  ModuleRecord record;
  record.InitFromPackage(Package("viewer_en"));
  EXPECT_EQ(WideString(L":0"), record.ModuleKey()) << "the signature query found no row";
  EXPECT_EQ(WideString(), record.Version());
  EXPECT_EQ(WideString(L"Acme Viewer Runtime"), record.Subject()) << "the second open worked";
  ModuleRecordSnapshot snapshot;
  EXPECT_FALSE(record.TakeSnapshot(snapshot)) << "a refusal is no missing signature";
}

TEST_F(Spied, FailedListReadKeepsWhatItHadIsNotRepeatedAndIsNoCompleteList) {
  record_.InitFromPackage(Package("viewer_en"));
  log_->faults.push_back({kView, ViewFetch, -1, 3, E_FAIL});
  SharedInstaller::Replacement replacement(spy_);
  EXPECT_THROW(record_.Exclusions(), com_exception);
  const int calls = log_->calls;
  EXPECT_EQ(2u, record_.Exclusions().size()) << "two rows were stored before the failure";
  EXPECT_EQ(calls, log_->calls) << "the second request reads nothing";
  log_->faults.push_back({kInstaller, InstallerOpenDatabase, -1, 1, E_FAIL});  // refused
  EXPECT_TRUE(record_.Dialogs().empty() && record_.CustomActions().size() == 2);
  ModuleRecordSnapshot snapshot;
  EXPECT_TRUE(record_.TakeSnapshot(snapshot) && !snapshot.Exclusions && !snapshot.Dialogs &&
              snapshot.CustomActions);
}

TEST(ModuleRecordPackage, EachListIsReadOnceEvenWhenItsPackageWasGone) {
  ScratchFolder folder(L"qv-record-once");
  const WideString copy = folder.WriteFile(L"viewer.msm", "");
  ASSERT_TRUE(CopyFileW(Package("viewer_en").c_str(), copy.c_str(), FALSE));
  ModuleRecord record;
  record.InitFromPackage(copy);
  ASSERT_TRUE(DeleteFileW(copy.c_str()));
  const auto readAll = [&record] {
    return record.Dependencies().size() + record.Exclusions().size() + record.Dialogs().size() +
           record.CustomActions().size() + record.Files().size();
  };
  const unsigned long before = InstallerDatabaseOpenCount();
  EXPECT_EQ(0u, readAll());
  const unsigned long afterFirst = InstallerDatabaseOpenCount();
  EXPECT_GT(afterFirst, before) << "the first requests tried the package";
  ASSERT_TRUE(CopyFileW(Package("viewer_en").c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(0u, readAll());
  EXPECT_EQ(afterFirst, InstallerDatabaseOpenCount()) << "later requests do not touch it";
}

TEST(SharedInstaller, OneObjectForEveryRecordReleasedWithTheLastAndMadeAgainAfter) {
  // A thread that never entered COM cannot create the object: that record is not counted.
  HRESULT refused = S_OK;
  std::thread([&refused] { refused = RaisedCode([] { ModuleRecord record; }); }).join();
  EXPECT_EQ(CO_E_NOTINITIALIZED, refused);

  auto first = std::make_unique<ModuleRecord>();
  const ComRef<IDispatch> shared = SharedInstaller::Get();
  auto second = std::make_unique<ModuleRecord>();
  first.reset();
  EXPECT_EQ(shared.Get(), SharedInstaller::Get().Get()) << "one object, kept while one lives";
  second.reset();
  EXPECT_FALSE(SharedInstaller::Get()) << "released with the last record";
  EXPECT_EQ(1u, (shared->AddRef(), shared->Release())) << "only this test's reference is left";
  ModuleRecord third;
  EXPECT_TRUE(SharedInstaller::Get() && SharedInstaller::Get().Get() != shared.Get())
      << "the next record makes a new one";
}

}  // namespace
