#include "tests/datatools/database/database_test_helpers.h"

#include <windows.h>

#include <bcrypt.h>
#include <sqlite3.h>

#include <stdexcept>

#include "store/sqlite_handles.h"
#include "store/text_convert.h"
#include "tests/support/temp_dir.h"

namespace nubo::testing {

void RunSqlOnFile(const std::wstring& path, const std::string& sql) {
  SqliteConnection connection;
  if (sqlite3_open_v2(Utf16ToUtf8(path).c_str(), connection.out(),
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    throw std::runtime_error("cannot open the test database");
  }
  char* error = nullptr;
  if (sqlite3_exec(connection.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "unknown";
    sqlite3_free(error);
    throw std::runtime_error("test SQL failed: " + message);
  }
}

std::string FileSha256(const std::wstring& path) {
  const std::string bytes = ReadWholeFile(path);
  unsigned char digest[32] = {};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool done = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
              BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                            static_cast<ULONG>(bytes.size()), 0)) &&
              BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof(digest), 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) throw std::runtime_error("SHA-256 failed");
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 15]);
  }
  return text;
}

}  // namespace nubo::testing
