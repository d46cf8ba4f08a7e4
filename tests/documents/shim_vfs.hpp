#pragma once
// An SQLite VFS of the tests' own over the system's: every call goes to the
// real one, except what a test asks for — writes that fail as on a full
// disk, or a power cut — and it counts the flushes (xSync). Installed as the
// default while it lives (one at a time).
//
// A power cut keeps of every file what it held at its last flush: the shim
// copies a file's content when it is opened and after each of its flushes,
// and RestoreFlushed() writes those copies back once the connections are
// closed (the shared-memory index, never flushed, is removed: SQLite
// rebuilds it from the log).
#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

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
    vfs_.xDelete = Delete;
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

  /// The flushes (xSync) made since the shim was installed.
  [[nodiscard]] int Syncs() const { return syncs_; }

  /// The power goes at flush number `sync` (counted from 1 since the shim
  /// was installed): that flush and every write and flush after it fail, as
  /// the machine stops.
  void CutPowerAtSync(int sync) { cut_at_ = sync; }
  /// The power goes now.
  void CutPower() { off_ = true; }
  [[nodiscard]] bool PowerCut() const { return off_; }
  /// The power is back (after RestoreFlushed): files read and write again.
  void PowerBack() {
    cut_at_ = 0;
    off_ = false;
  }

  /// After every connection is closed: each file the shim saw is put back
  /// as it was at its last flush (or at its opening); a file it never saw
  /// flushed or present is removed, and so is the shared-memory index.
  void RestoreFlushed() {
    std::lock_guard lock(images_mutex_);
    for (const auto& [name, image] : images_) {
      std::filesystem::remove(name + "-shm");
      if (!image.present) {
        std::filesystem::remove(name);
        continue;
      }
      std::ofstream out(name, std::ios::binary | std::ios::trunc);
      out.write(image.bytes.data(), static_cast<std::streamsize>(image.bytes.size()));
    }
  }

 private:
  struct File {
    sqlite3_file base;
    sqlite3_io_methods methods;
    sqlite3_file* real;  // follows this struct in the same allocation
    const char* name;    // SQLite's, valid while the file is open; null for a temporary one
  };

  struct Image {
    bool present = false;
    std::string bytes;
  };

  // The file's content as it stands, kept as what a power cut leaves of it.
  void Keep(File* shim) {
    if (shim->name == nullptr) return;
    Image image;
    sqlite3_int64 size = 0;
    if (shim->real->pMethods->xFileSize(shim->real, &size) == SQLITE_OK && size > 0) {
      image.bytes.resize(static_cast<std::size_t>(size));
      shim->real->pMethods->xRead(shim->real, image.bytes.data(), static_cast<int>(size), 0);
    }
    image.present = true;
    std::lock_guard lock(images_mutex_);
    images_[shim->name] = std::move(image);
  }

  // A file opened after the shim came: what was there before counts as flushed.
  void Opened(File* shim, int flags) {
    if (shim->name == nullptr || (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_WAL)) == 0) {
      shim->name = nullptr;
      return;
    }
    {
      std::lock_guard lock(images_mutex_);
      if (images_.count(shim->name) != 0) return;
    }
    sqlite3_int64 size = 0;
    shim->real->pMethods->xFileSize(shim->real, &size);
    if (size > 0) {
      Keep(shim);
    } else {
      std::lock_guard lock(images_mutex_);
      images_[shim->name] = Image{};
    }
  }

  static File* Shim(sqlite3_file* f) { return reinterpret_cast<File*>(f); }

  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                  int* out_flags) {
    File* shim = Shim(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    shim->name = name;
    const int rc = instance_->real_->xOpen(instance_->real_, name, shim->real, flags, out_flags);
    if (rc != SQLITE_OK || shim->real->pMethods == nullptr) {
      file->pMethods = nullptr;
      return rc;
    }
    shim->methods = *shim->real->pMethods;
    instance_->Opened(shim, flags);
    shim->methods.xClose = [](sqlite3_file* f) {
      return Shim(f)->real->pMethods->xClose(Shim(f)->real);
    };
    shim->methods.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 at) {
      return Shim(f)->real->pMethods->xRead(Shim(f)->real, b, n, at);
    };
    shim->methods.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
      if (instance_->off_) return SQLITE_IOERR_WRITE;
      if (instance_->full_) {
        errno = ENOSPC;
        return SQLITE_IOERR_WRITE;
      }
      return Shim(f)->real->pMethods->xWrite(Shim(f)->real, b, n, at);
    };
    shim->methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
      if (instance_->off_) return SQLITE_IOERR_TRUNCATE;
      return Shim(f)->real->pMethods->xTruncate(Shim(f)->real, size);
    };
    shim->methods.xSync = [](sqlite3_file* f, int flags) {
      ShimVfs& vfs = *instance_;
      if (++vfs.syncs_ == vfs.cut_at_) vfs.off_ = true;
      if (vfs.off_) return SQLITE_IOERR_FSYNC;
      const int rc = Shim(f)->real->pMethods->xSync(Shim(f)->real, flags);
      if (rc == SQLITE_OK) vfs.Keep(Shim(f));
      return rc;
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

  // A log removed (after its last checkpoint) is gone after a power cut too.
  static int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
    if (instance_->off_) return SQLITE_IOERR_DELETE;
    {
      std::lock_guard lock(instance_->images_mutex_);
      if (const auto found = instance_->images_.find(name); found != instance_->images_.end()) {
        found->second = Image{};
      }
    }
    return instance_->real_->xDelete(instance_->real_, name, sync_dir);
  }

  static int LastError(sqlite3_vfs*, int, char*) { return instance_->full_ ? ENOSPC : errno; }

  inline static ShimVfs* instance_ = nullptr;
  sqlite3_vfs* real_;
  sqlite3_vfs vfs_{};
  std::atomic<bool> full_{false};
  std::atomic<bool> off_{false};
  std::atomic<int> syncs_{0};
  std::atomic<int> cut_at_{0};
  std::mutex images_mutex_;
  std::map<std::string, Image> images_;
};

}  // namespace tavirel::documents::test
