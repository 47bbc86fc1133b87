#include "installer/scratch_database.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::string TempFolder() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return folder;
}

void Run(MSIHANDLE database, const std::string& sql) {
  MSIHANDLE view = 0;
  ASSERT_EQ(MsiDatabaseOpenViewA(database, sql.c_str(), &view), 0u) << sql;
  ASSERT_EQ(MsiViewExecute(view, 0), 0u) << sql;
  MsiViewClose(view);
  MsiCloseHandle(view);
}

}  // namespace

ScratchDatabase::ScratchDatabase(int rows) {
  char file[MAX_PATH] = {};
  GetTempFileNameA(TempFolder().c_str(), "qvs", 0, file);
  DeleteFileA(file);
  path_ = file;
  EXPECT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, database_.Put()), 0u);
  Run(database_.Get(),
      "CREATE TABLE `Item` (`Name` CHAR(72) NOT NULL, `Number` SHORT PRIMARY KEY `Name`)");
  for (int i = 0; i < rows; ++i) {
    Run(database_.Get(), "INSERT INTO `Item` (`Name`, `Number`) VALUES ('item" +
                             std::to_string(i) + "', " + std::to_string(i) + ")");
  }
}

ScratchDatabase::~ScratchDatabase() {
  database_.Reset();
  DeleteFileA(path_.c_str());
}

std::string MissingPackagePath() { return TempFolder() + "qv-no-such-folder\\missing.msm"; }
