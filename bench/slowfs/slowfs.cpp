// velmora-slowfs SOURCE MOUNTPOINT DELAY_US [COUNTS_FILE]: mounts at MOUNTPOINT a mirror of the
// folder SOURCE that answers every request only after DELAY_US microseconds, as a file server
// across a network does. Requests are served at once on as many threads as they arrive on, so the
// file system never limits how many are in flight; the kernel keeps names and attributes for a
// second, as a network mount does, and file data only while a file is open. It runs until
// unmounted or signalled. With COUNTS_FILE it counts the requests by kind and writes the counts
// there, one "kind count" a line, on SIGUSR1 and when it ends.

#define FUSE_USE_VERSION 312
#include <fuse.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

int g_source = -1;    // the mirrored folder
timespec g_delay{};   // the round trip every request costs

// The kinds of request counted. The kernel's lookup of a name reaches this file system as a
// getattr without an open file, so the two are one kind here.
enum Request {
    LookupOrGetattrByName, GetattrOpenFile, Readlink, Opendir, Readdir, Releasedir, FsyncDir, Open,
    Create, Read, Write, Fsync, Release, Truncate, Chmod, Utimens, Link, Unlink, Rename, Statfs,
    RequestKinds
};
const char *const kRequestNames[RequestKinds] = {
    "lookup_or_getattr_by_name", "getattr_open_file", "readlink", "opendir", "readdir", "releasedir",
    "fsyncdir", "open", "create", "read", "write", "fsync", "release", "truncate", "chmod",
    "utimens", "link", "unlink", "rename", "statfs"};
std::atomic<unsigned long> g_requests[RequestKinds];
std::atomic<unsigned long> g_dumps{0};
const char *g_countsFile = nullptr;

// Written whole under another name first, so that a reader never sees half the counts; "dumps"
// tells a reader which signal the file answers.
void writeCounts()
{
    if (!g_countsFile)
        return;
    std::string text;
    for (int kind = 0; kind < RequestKinds; ++kind)
        text += std::string(kRequestNames[kind]) + ' ' + std::to_string(g_requests[kind].load()) + '\n';
    text += "dumps " + std::to_string(++g_dumps) + '\n';
    const std::string partial = std::string(g_countsFile) + ".part";
    if (FILE *out = std::fopen(partial.c_str(), "w")) {
        const bool written = std::fputs(text.c_str(), out) >= 0;
        if (std::fclose(out) == 0 && written)
            std::rename(partial.c_str(), g_countsFile);
    }
}

void roundTrip(Request kind)
{
    g_requests[kind].fetch_add(1, std::memory_order_relaxed);
    timespec left = g_delay;
    while (::clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

// A request's path relative to the mirrored folder ("/" is the folder itself).
const char *rel(const char *path) { return path[1] != '\0' ? path + 1 : "."; }

int done(int result) { return result < 0 ? -errno : 0; }

// An open folder and where its reading stands, so that each request of the kernel reads on.
struct FolderHandle {
    DIR *dir = nullptr;
    off_t offset = 0;
    dirent *entry = nullptr;  // read but not yet handed to the kernel
};

FolderHandle *folderOf(fuse_file_info *fi) { return reinterpret_cast<FolderHandle *>(fi->fh); }

void *init(fuse_conn_info *conn, fuse_config *cfg)
{
    // Reads ahead and releases are background requests; many of them must be allowed in flight.
    conn->max_background = 1024;
    conn->congestion_threshold = 768;
    // Lookups in one folder may run in parallel, as a network file system's client's do (the
    // kernel here still looks up a name it has never seen one at a time: see readdir).
    conn->want |= conn->capable & FUSE_CAP_PARALLEL_DIROPS;
    // Listings carry the attributes of every entry (as NFS's READDIRPLUS and SMB's directory
    // queries do), always.
    conn->want |= conn->capable & FUSE_CAP_READDIRPLUS;
    conn->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
    cfg->entry_timeout = 1.0;
    cfg->attr_timeout = 1.0;
    cfg->negative_timeout = 1.0;
    cfg->use_ino = 1;  // the files' own inode numbers, which a save compares
    cfg->kernel_cache = 0;
    return nullptr;
}

int getattr(const char *path, struct stat *st, fuse_file_info *fi)
{
    roundTrip(fi ? GetattrOpenFile : LookupOrGetattrByName);
    return done(fi ? ::fstat(int(fi->fh), st) : ::fstatat(g_source, rel(path), st, AT_SYMLINK_NOFOLLOW));
}

int readlink(const char *path, char *buf, size_t size)
{
    roundTrip(Readlink);
    const ssize_t n = ::readlinkat(g_source, rel(path), buf, size - 1);
    if (n < 0)
        return -errno;
    buf[n] = '\0';
    return 0;
}

int opendir(const char *path, fuse_file_info *fi)
{
    roundTrip(Opendir);
    const int fd = ::openat(g_source, rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return -error;
    }
    fi->fh = reinterpret_cast<uint64_t>(new FolderHandle{dir});
    return 0;
}

// One page of entries per request, each with the offset of the next, so that every request of the
// kernel is a round trip of its own, as on a network share. Asked for the entries' attributes too,
// it gives them, as the clients of network file systems get them with the listing, so that the
// kernel knows the names without a lookup of each.
int readdir(const char *, void *buf, fuse_fill_dir_t fill, off_t offset, fuse_file_info *fi, fuse_readdir_flags flags)
{
    roundTrip(Readdir);
    FolderHandle *folder = folderOf(fi);
    if (offset != folder->offset) {
        ::seekdir(folder->dir, offset);
        folder->entry = nullptr;
        folder->offset = offset;
    }
    for (;;) {
        if (!folder->entry) {
            errno = 0;
            folder->entry = ::readdir(folder->dir);
            if (!folder->entry)
                return -errno;
        }
        struct stat st{};
        st.st_ino = folder->entry->d_ino;
        st.st_mode = DTTOIF(folder->entry->d_type);
        const bool plus = (flags & FUSE_READDIR_PLUS) &&
                          ::fstatat(::dirfd(folder->dir), folder->entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        const off_t next = ::telldir(folder->dir);
        if (fill(buf, folder->entry->d_name, &st, next, plus ? FUSE_FILL_DIR_PLUS : fuse_fill_dir_flags(0)))
            return 0;  // the page is full: this entry opens the next one
        folder->entry = nullptr;
        folder->offset = next;
    }
}

int releasedir(const char *, fuse_file_info *fi)
{
    roundTrip(Releasedir);
    FolderHandle *folder = folderOf(fi);
    ::closedir(folder->dir);
    delete folder;
    return 0;
}

int fsyncdir(const char *, int, fuse_file_info *fi)
{
    roundTrip(FsyncDir);
    return done(::fsync(::dirfd(folderOf(fi)->dir)));
}

int openFile(const char *path, int flags, mode_t mode, fuse_file_info *fi)
{
    roundTrip(flags & O_CREAT ? Create : Open);
    const int fd = ::openat(g_source, rel(path), flags | O_CLOEXEC, mode);
    if (fd < 0)
        return -errno;
    fi->fh = uint64_t(fd);
    return 0;
}

int open(const char *path, fuse_file_info *fi) { return openFile(path, fi->flags, 0, fi); }
int create(const char *path, mode_t mode, fuse_file_info *fi) { return openFile(path, fi->flags | O_CREAT, mode, fi); }

int read(const char *, char *buf, size_t size, off_t offset, fuse_file_info *fi)
{
    roundTrip(Read);
    const ssize_t n = ::pread(int(fi->fh), buf, size, offset);
    return n < 0 ? -errno : int(n);
}

int write(const char *, const char *buf, size_t size, off_t offset, fuse_file_info *fi)
{
    roundTrip(Write);
    const ssize_t n = ::pwrite(int(fi->fh), buf, size, offset);
    return n < 0 ? -errno : int(n);
}

int fsync(const char *, int, fuse_file_info *fi)
{
    roundTrip(Fsync);
    return done(::fsync(int(fi->fh)));
}

int release(const char *, fuse_file_info *fi)
{
    roundTrip(Release);
    return done(::close(int(fi->fh)));
}

int truncate(const char *path, off_t size, fuse_file_info *fi)
{
    roundTrip(Truncate);
    if (fi)
        return done(::ftruncate(int(fi->fh), size));
    const int fd = ::openat(g_source, rel(path), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int result = done(::ftruncate(fd, size));
    ::close(fd);
    return result;
}

int chmod(const char *path, mode_t mode, fuse_file_info *fi)
{
    roundTrip(Chmod);
    return done(fi ? ::fchmod(int(fi->fh), mode) : ::fchmodat(g_source, rel(path), mode, 0));
}

int utimens(const char *path, const timespec times[2], fuse_file_info *fi)
{
    roundTrip(Utimens);
    return done(fi ? ::futimens(int(fi->fh), times) : ::utimensat(g_source, rel(path), times, AT_SYMLINK_NOFOLLOW));
}

int link(const char *from, const char *to)
{
    roundTrip(Link);
    return done(::linkat(g_source, rel(from), g_source, rel(to), 0));
}

int unlink(const char *path)
{
    roundTrip(Unlink);
    return done(::unlinkat(g_source, rel(path), 0));
}

int rename(const char *from, const char *to, unsigned int flags)
{
    roundTrip(Rename);
    return done(::renameat2(g_source, rel(from), g_source, rel(to), flags));
}

int statfs(const char *, struct statvfs *st)
{
    roundTrip(Statfs);
    return done(::fstatvfs(g_source, st));
}

fuse_operations operations()
{
    fuse_operations ops{};
    ops.init = init;
    ops.getattr = getattr;  // also every lookup of a name
    ops.readlink = readlink;
    ops.opendir = opendir;
    ops.readdir = readdir;
    ops.releasedir = releasedir;
    ops.fsyncdir = fsyncdir;
    ops.open = open;
    ops.create = create;
    ops.read = read;
    ops.write = write;
    ops.fsync = fsync;
    ops.release = release;
    ops.truncate = truncate;
    ops.chmod = chmod;
    ops.utimens = utimens;
    ops.link = link;
    ops.unlink = unlink;
    ops.rename = rename;
    ops.statfs = statfs;
    return ops;
}

}  // namespace

int main(int argc, char **argv)
{
    char *end = nullptr;
    const long delayUs = argc == 4 || argc == 5 ? std::strtol(argv[3], &end, 10) : -1;
    if (delayUs < 0 || *end != '\0') {
        std::fprintf(stderr, "usage: %s SOURCE MOUNTPOINT DELAY_US [COUNTS_FILE]\n", argv[0]);
        return 2;
    }
    if (argc == 5) {
        // SIGUSR1 blocked before any thread starts, so that only this waiter takes it.
        g_countsFile = argv[4];
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &usr1, nullptr);
        std::thread([usr1] {
            for (int signal = 0; sigwait(&usr1, &signal) == 0;)
                writeCounts();
        }).detach();
    }
    g_delay = {delayUs / 1000000, (delayUs % 1000000) * 1000};
    g_source = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_source < 0) {
        std::perror(argv[1]);
        return 1;
    }
    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    fuse_opt_add_arg(&args, argv[0]);
    fuse_opt_add_arg(&args, "-ofsname=velmora-slowfs,subtype=slowfs");
    const fuse_operations ops = operations();
    fuse *fs = fuse_new(&args, &ops, sizeof ops, nullptr);
    fuse_opt_free_args(&args);
    if (!fs)
        return 1;
    int status = 1;
    if (fuse_mount(fs, argv[2]) == 0) {
        fuse_session *session = fuse_get_session(fs);
        fuse_set_signal_handlers(session);
        fuse_loop_config *loop = fuse_loop_cfg_create();
        fuse_loop_cfg_set_max_threads(loop, 4096);     // a thread for every request in flight
        fuse_loop_cfg_set_idle_threads(loop, 4096);    // kept, not made anew for each burst
        status = fuse_loop_mt(fs, loop) == 0 ? 0 : 1;
        fuse_loop_cfg_destroy(loop);
        fuse_remove_signal_handlers(session);
        fuse_unmount(fs);
    }
    fuse_destroy(fs);
    ::close(g_source);
    writeCounts();
    return status;
}
