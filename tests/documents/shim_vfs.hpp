#pragma once
// An SQLite VFS of the tests' own over the system's: every call goes to the
// real one, except what a test asks for — writes that fail as on a full
// disk. Installed as the default while it lives (one at a time).
#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace tavirel::documents::test {

class ShimVfs {
 public:
  ShimVfs() : real_(sqlite3_vfs_find(nullptr)) {
    instance_ = this;
    vfs_ = *real_;
    vfs_.zName = "tavirel-test-shim";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = Open;
    vfs_.xGetLastError = LastError;
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~ShimVfs() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
    instance_ = nullptr;
  }
  ShimVfs(const ShimVfs&) = delete;
  ShimVfs& operator=(const ShimVfs&) = delete;

  /// From now on every write fails as on a full disk: SQLite sees an I/O
  /// error and the system's errno ENOSPC.
  void FillTheDisk() { full_ = true; }

 private:
  struct File {
    sqlite3_file base;
    sqlite3_io_methods methods;
    sqlite3_file* real;  // follows this struct in the same allocation
  };

  static File* Shim(sqlite3_file* f) { return reinterpret_cast<File*>(f); }

  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                  int* out_flags) {
    File* shim = Shim(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    const int rc = instance_->real_->xOpen(instance_->real_, name, shim->real, flags, out_flags);
    if (rc != SQLITE_OK || shim->real->pMethods == nullptr) {
      file->pMethods = nullptr;
      return rc;
    }
    shim->methods = *shim->real->pMethods;
    shim->methods.xClose = [](sqlite3_file* f) {
      return Shim(f)->real->pMethods->xClose(Shim(f)->real);
    };
    shim->methods.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 at) {
      return Shim(f)->real->pMethods->xRead(Shim(f)->real, b, n, at);
    };
    shim->methods.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
      if (instance_->full_) {
        errno = ENOSPC;
        return SQLITE_IOERR_WRITE;
      }
      return Shim(f)->real->pMethods->xWrite(Shim(f)->real, b, n, at);
    };
    shim->methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
      return Shim(f)->real->pMethods->xTruncate(Shim(f)->real, size);
    };
    shim->methods.xSync = [](sqlite3_file* f, int flags) {
      return Shim(f)->real->pMethods->xSync(Shim(f)->real, flags);
    };
    shim->methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
      return Shim(f)->real->pMethods->xFileSize(Shim(f)->real, size);
    };
    shim->methods.xLock = [](sqlite3_file* f, int l) {
      return Shim(f)->real->pMethods->xLock(Shim(f)->real, l);
    };
    shim->methods.xUnlock = [](sqlite3_file* f, int l) {
      return Shim(f)->real->pMethods->xUnlock(Shim(f)->real, l);
    };
    shim->methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
      return Shim(f)->real->pMethods->xCheckReservedLock(Shim(f)->real, out);
    };
    shim->methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
      return Shim(f)->real->pMethods->xFileControl(Shim(f)->real, op, arg);
    };
    shim->methods.xSectorSize = [](sqlite3_file* f) {
      return Shim(f)->real->pMethods->xSectorSize(Shim(f)->real);
    };
    shim->methods.xDeviceCharacteristics = [](sqlite3_file* f) {
      return Shim(f)->real->pMethods->xDeviceCharacteristics(Shim(f)->real);
    };
    shim->methods.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** p) {
      return Shim(f)->real->pMethods->xShmMap(Shim(f)->real, page, size, extend, p);
    };
    shim->methods.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
      return Shim(f)->real->pMethods->xShmLock(Shim(f)->real, offset, n, flags);
    };
    shim->methods.xShmBarrier = [](sqlite3_file* f) {
      Shim(f)->real->pMethods->xShmBarrier(Shim(f)->real);
    };
    shim->methods.xShmUnmap = [](sqlite3_file* f, int del) {
      return Shim(f)->real->pMethods->xShmUnmap(Shim(f)->real, del);
    };
    shim->methods.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** p) {
      return Shim(f)->real->pMethods->xFetch(Shim(f)->real, at, n, p);
    };
    shim->methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
      return Shim(f)->real->pMethods->xUnfetch(Shim(f)->real, at, p);
    };
    file->pMethods = &shim->methods;
    return SQLITE_OK;
  }

  static int LastError(sqlite3_vfs*, int, char*) { return instance_->full_ ? ENOSPC : errno; }

  inline static ShimVfs* instance_ = nullptr;
  sqlite3_vfs* real_;
  sqlite3_vfs vfs_{};
  std::atomic<bool> full_{false};
};

}  // namespace tavirel::documents::test
