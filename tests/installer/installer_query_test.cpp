// InstallerQuery over the real installer automation object, on generated packages.
#include "common/com_exception.h"
#include "installer/dispatch_call.h"
#include "installer/fixture_packages.h"
#include "installer/installer_automation.h"
#include "installer/installer_query.h"
#include "installer/installer_spy.h"
#include "installer/shared_installer.h"
#include "module/module_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace InstallerMember;

class InstallerQueryTest : public ::testing::Test {
 protected:
  // A record holds the shared installer object for the test.
  ModuleRecord holder_;
  InstallerSpy spy_{SharedInstaller::Get()};
};

TEST_F(InstallerQueryTest, OpenExecutesExactlyTheSelectOfTheTable) {
  InstallerQuery query;
  query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"Dialog");
  std::vector<std::wstring> views;
  for (const SpyCall& call : spy_.Calls()) {
    if (call.object == InstallerObject::Database && call.member == DatabaseOpenView) {
      views.push_back(call.firstText);
    }
  }
  EXPECT_EQ(views, std::vector<std::wstring>{L"SELECT * FROM Dialog"});
  // Execute gets its optional parameter record as an empty object reference.
  bool executed = false;
  for (const SpyCall& call : spy_.Calls()) {
    if (call.object == InstallerObject::View && call.member == ViewExecute) {
      executed = true;
      EXPECT_EQ(call.firstArgumentType, VT_DISPATCH);
    }
  }
  EXPECT_TRUE(executed);
  // The package is opened read-only.
  ASSERT_FALSE(spy_.Calls().empty());
  EXPECT_EQ(spy_.Calls().front().member, InstallerOpenDatabase);
  EXPECT_EQ(spy_.Calls().front().firstText, std::wstring(FixturePackage("viewer_en").c_str()));
}

TEST_F(InstallerQueryTest, ReadsRowsThenReportsTheEnd) {
  InstallerQuery query;
  query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"ModuleSignature");
  ASSERT_TRUE(query.Fetch());
  EXPECT_EQ(query.GetString(1), WideString(L"Acme.Viewer.6C3D2E1F_0A1B_4C5D_8E9F_102132435465"));
  EXPECT_EQ(query.GetInteger(2), 1033);
  EXPECT_EQ(query.GetString(3), WideString(L"1.2.3.4"));
  EXPECT_FALSE(query.Fetch());
  EXPECT_EQ(query.GetString(1), WideString()) << "no current row after the end";
  EXPECT_EQ(query.GetInteger(2), 0);
  query.Close();
  EXPECT_EQ(spy_.CountCalls(InstallerObject::View, ViewClose), 1);
}

TEST_F(InstallerQueryTest, MissingTableGivesNoRowsAndNoError) {
  InstallerQuery query;
  EXPECT_NO_THROW(query.Open(spy_.Installer(), FixturePackage("signature_only"), L"ModuleDependency"));
  EXPECT_FALSE(query.HasView());
  EXPECT_FALSE(query.Fetch());
  EXPECT_EQ(spy_.CountCalls(InstallerObject::View, ViewFetch), 0) << "no view, nothing to ask";
  EXPECT_NO_THROW(query.Close());
}

TEST_F(InstallerQueryTest, MissingOrBrokenPackageGivesNoRows) {
  for (const WideString& path : {WideString(L"Z:\\qv\\no\\such\\package.msm"), FixturePackage("not_a_package")}) {
    InstallerQuery query;
    EXPECT_NO_THROW(query.Open(spy_.Installer(), path, L"ModuleSignature"));
    EXPECT_FALSE(query.Fetch());
    EXPECT_EQ(query.DatabasePath(), path);
  }
}

TEST_F(InstallerQueryTest, RefusedSqlGivesNoRows) {
  InstallerQuery query;
  query.OpenSql(spy_.Installer(), FixturePackage("viewer_en"), L"SELECT FROM WHERE");
  EXPECT_FALSE(query.Fetch());
}

TEST_F(InstallerQueryTest, NoInstallerObjectGivesNoRows) {
  InstallerQuery query;
  EXPECT_NO_THROW(query.Open(nullptr, FixturePackage("viewer_en"), L"ModuleSignature"));
  EXPECT_FALSE(query.Fetch());
}

TEST_F(InstallerQueryTest, FieldsBeforeTheFirstFetchAreEmpty) {
  InstallerQuery query;
  query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"ModuleSignature");
  EXPECT_EQ(query.GetString(1), WideString());
  EXPECT_EQ(query.GetInteger(2), 0);
  EXPECT_EQ(spy_.CountCalls(InstallerObject::Record, RecordStringData), 0);
}

TEST_F(InstallerQueryTest, NullFieldsReadAsTheInstallerGivesThem) {
  // One query at a time: the installer keeps a package open while a view on it lives.
  {
    InstallerQuery query;
    query.OpenSql(spy_.Installer(), FixturePackage("viewer_en"),
                  L"SELECT `Dialog`, `Title` FROM `Dialog` WHERE `Dialog` = 'Zoom'");
    ASSERT_TRUE(query.Fetch());
    EXPECT_EQ(query.GetString(2), WideString()) << "a null text field is empty";
  }
  InstallerQuery files;
  files.OpenSql(spy_.Installer(), FixturePackage("viewer_en"),
                L"SELECT `File`, `Version`, `Attributes` FROM `File` WHERE `File` = 'readme.txt'");
  ASSERT_TRUE(files.Fetch());
  EXPECT_EQ(files.GetString(2), WideString());
  EXPECT_EQ(files.GetInteger(3), 0);
}

TEST_F(InstallerQueryTest, FailingFetchRaisesWithTheInstallersCodeAndText) {
  spy_.FailCall(InstallerObject::View, ViewFetch, 2, E_ACCESSDENIED, L"Fetch refused by test");
  InstallerQuery query;
  query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"File");
  ASSERT_TRUE(query.Fetch());
  try {
    query.Fetch();
    FAIL() << "the failing fetch must raise";
  } catch (const com_exception& error) {
    EXPECT_EQ(error.Code(), E_ACCESSDENIED);
    EXPECT_EQ(error.Description(), "Fetch refused by test");
    EXPECT_EQ(error.Origin(), ErrorOrigin::Component) << "a read failure is no longer the installer's to skip";
  }
}

TEST_F(InstallerQueryTest, FailingFieldReadsAndCloseRaise) {
  spy_.FailCall(InstallerObject::Record, RecordStringData, 1, E_INVALIDARG, L"no such field");
  spy_.FailCall(InstallerObject::Record, RecordIntegerData, 1, E_INVALIDARG, L"no such field");
  spy_.FailCall(InstallerObject::View, ViewClose, 1, E_UNEXPECTED, L"close refused");
  InstallerQuery query;
  query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"File");
  ASSERT_TRUE(query.Fetch());
  EXPECT_THROW(query.GetString(1), com_exception);
  EXPECT_THROW(query.GetInteger(4), com_exception);
  try {
    query.Close();
    FAIL() << "a failing close must raise";
  } catch (const com_exception& error) {
    EXPECT_EQ(error.Code(), E_UNEXPECTED);
  }
}

TEST_F(InstallerQueryTest, DestroyingAQueryClosesItsView) {
  {
    InstallerQuery query;
    query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"File");
    query.Fetch();
  }
  EXPECT_EQ(spy_.CountCalls(InstallerObject::View, ViewClose), 1);
}

TEST_F(InstallerQueryTest, EachQueryOpensThePackageAnew) {
  const unsigned long before = InstallerDatabaseOpenCount();
  for (int i = 0; i < 3; ++i) {
    InstallerQuery query;
    query.Open(spy_.Installer(), FixturePackage("viewer_en"), L"Dialog");
  }
  EXPECT_EQ(InstallerDatabaseOpenCount() - before, 3u);
  EXPECT_EQ(spy_.CountCalls(InstallerObject::Installer, InstallerOpenDatabase), 3);
}

TEST(InstallerAutomationTest, UnopenablePackageFailsWithTheInstallersOwnReport) {
  ModuleRecord holder;
  try {
    OpenInstallerDatabase(SharedInstaller::Get().Get(), L"Z:\\qv\\no\\such\\package.msm");
    FAIL() << "opening a missing package must fail";
  } catch (const com_exception& error) {
    EXPECT_EQ(error.Origin(), ErrorOrigin::InstallerAutomation);
    EXPECT_LT(error.Code(), 0);
    EXPECT_NE(error.Code(), DISP_E_EXCEPTION) << "the exception's own code travels";
    EXPECT_FALSE(error.Description().empty());
    RecordProperty("installer_description", error.Description());
    RecordProperty("installer_code", std::to_string(static_cast<unsigned long>(error.Code())));
  }
}

TEST(InstallerAutomationTest, ExcepInfoCodes) {
  EXCEPINFO info = {};
  info.scode = E_ACCESSDENIED;
  EXPECT_EQ(HresultFromExcepInfo(info), E_ACCESSDENIED);
  info.scode = ERROR_FILE_NOT_FOUND;  // a Win32 code put into scode
  EXPECT_EQ(HresultFromExcepInfo(info), static_cast<HRESULT>(0x80070002));
  info.scode = 0;
  info.wCode = 1000;
  EXPECT_EQ(HresultFromExcepInfo(info), static_cast<HRESULT>(0x80040200 + 1000));
  info.wCode = 0xFE00;
  EXPECT_EQ(HresultFromExcepInfo(info), static_cast<HRESULT>(0x8004FFFF));
  info.wCode = 0;
  EXPECT_EQ(HresultFromExcepInfo(info), DISP_E_EXCEPTION);
}

}  // namespace
