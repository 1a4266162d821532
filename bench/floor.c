// SPDX-License-Identifier: MIT
/* floor.c - the speed floor for dirscribe-cli: a minimal single-thread walker writing format 0.
 *
 *     floor START_FOLDER OUTPUT_FILE
 *
 * What it does per folder is what any walker producing a standard text list must do, and
 * nothing more: read the folder with raw getdents64 calls on a descriptor opened relative to
 * its parent, statx each entry relative to that descriptor, skip names beginning with ".",
 * write the folder heading, one "<DIR> " line per sub-folder and one line per file, then go
 * into the sub-folders, depth first. Lines are formatted by hand (no printf, no strftime):
 *
 *     name padded to 65 characters | size with thousands separators in 16 | " bytes " |
 *     M/d/yyyy h:mm:ss AM/PM (the date alone at exactly midnight), CR LF
 *
 * in the US English style that the C locale stands for. Local time comes from a UTC offset
 * looked up with localtime_r once per UTC day and cached (days with a change of offset are
 * converted with localtime_r entry by entry). Output goes through a 1 MiB buffer.
 * Sub-folders on another file system and symbolic links to folders are listed, not entered.
 *
 * Build: cc -O2 -o floor floor.c
 */
#define _GNU_SOURCE
#include <errno.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#define OUT_BUFFER_SIZE (1u << 20)
#define NAME_COLUMNS 65
#define SIZE_COLUMNS 16
#define READ_CHUNK (64u * 1024u)

struct linux_dirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

static const char hyphens[] =
    "-----------------------------------------------------------------------------------------";

/* ---- output ---------------------------------------------------------------------------- */

static int out_fd = -1;
static char *out_buf;
static size_t out_len;
static const char *out_path;

static void out_flush(void)
{
    size_t done = 0;
    while (done < out_len) {
        ssize_t n = write(out_fd, out_buf + done, out_len - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fprintf(stderr, "floor: cannot write '%s': %s\n", out_path, strerror(errno));
            exit(1);
        }
        done += (size_t)n;
    }
    out_len = 0;
}

/* Makes room for n bytes and returns where to put them (lines are far below the buffer size,
 * except an extremely long folder path, which is written in pieces by out_bytes). */
static inline char *out_reserve(size_t n)
{
    if (out_len + n > OUT_BUFFER_SIZE)
        out_flush();
    return out_buf + out_len;
}

static void out_bytes(const char *s, size_t n)
{
    while (n > 0) {
        size_t room = OUT_BUFFER_SIZE - out_len;
        if (room == 0) {
            out_flush();
            room = OUT_BUFFER_SIZE;
        }
        size_t k = n < room ? n : room;
        memcpy(out_buf + out_len, s, k);
        out_len += k;
        s += k;
        n -= k;
    }
}

static void out_line(const char *s, size_t n)
{
    out_bytes(s, n);
    out_bytes("\r\n", 2);
}

/* ---- local time ------------------------------------------------------------------------ */

/* One entry per UTC day since 1970-01-01 up to 2149: the day's UTC offset in seconds, or
 * UNKNOWN_OFFSET (not looked up yet) or MIXED_OFFSET (the offset changes during that day). */
#define CACHED_DAYS 65536
#define UNKNOWN_OFFSET INT32_MIN
#define MIXED_OFFSET (INT32_MIN + 1)
static int32_t day_offset[CACHED_DAYS];

static int64_t floor_div(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

static long offset_at(time_t t)
{
    struct tm tm;
    if (!localtime_r(&t, &tm))
        return 0;
    return tm.tm_gmtoff;
}

/* The UTC offset valid at t, or MIXED_OFFSET when it must be looked up for t itself. */
static int32_t cached_offset(int64_t t)
{
    int64_t day = floor_div(t, 86400);
    if (day < 0 || day >= CACHED_DAYS)
        return MIXED_OFFSET;
    int32_t off = day_offset[day];
    if (off == UNKNOWN_OFFSET) {
        long first = offset_at((time_t)(day * 86400));
        long last = offset_at((time_t)(day * 86400 + 86399));
        off = first == last ? (int32_t)first : MIXED_OFFSET;
        day_offset[day] = off;
    }
    return off;
}

/* Days since 1970-01-01 to a civil date (H. Hinnant's algorithm). */
static void civil_from_days(int64_t z, int64_t *y, unsigned *m, unsigned *d)
{
    z += 719468;
    int64_t era = floor_div(z, 146097);
    unsigned doe = (unsigned)(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = (int64_t)yoe + era * 400 + (*m <= 2);
}

static inline char *put_uint(char *p, uint64_t v)
{
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        *p++ = tmp[--n];
    return p;
}

static inline char *put_2digits(char *p, unsigned v)
{
    *p++ = (char)('0' + v / 10);
    *p++ = (char)('0' + v % 10);
    return p;
}

/* Writes "M/d/yyyy h:mm:ss AM" (or the date alone at midnight) for t at p. */
static char *put_time_stamp(char *p, int64_t t)
{
    int64_t local;
    int32_t off = cached_offset(t);
    if (off != MIXED_OFFSET) {
        local = t + off;
    } else {
        local = t + offset_at((time_t)t);
    }
    int64_t days = floor_div(local, 86400);
    unsigned secs = (unsigned)(local - days * 86400);
    int64_t y;
    unsigned m, d;
    civil_from_days(days, &y, &m, &d);
    p = put_uint(p, m);
    *p++ = '/';
    p = put_uint(p, d);
    *p++ = '/';
    if (y < 0) {
        *p++ = '-';
        y = -y;
    }
    p = put_uint(p, (uint64_t)y);
    if (secs == 0)
        return p;
    unsigned h = secs / 3600, mi = secs / 60 % 60, s = secs % 60;
    *p++ = ' ';
    p = put_uint(p, h % 12 == 0 ? 12 : h % 12);
    *p++ = ':';
    p = put_2digits(p, mi);
    *p++ = ':';
    p = put_2digits(p, s);
    *p++ = ' ';
    *p++ = h < 12 ? 'A' : 'P';
    *p++ = 'M';
    return p;
}

/* ---- file lines ------------------------------------------------------------------------ */

/* Writes the size with thousands separators, right-aligned in 16 columns (longer: whole). */
static inline char *put_size(char *p, uint64_t v)
{
    char tmp[32];
    int n = 0, digits = 0;
    do {
        if (digits && digits % 3 == 0)
            tmp[n++] = ',';
        tmp[n++] = (char)('0' + v % 10);
        v /= 10;
        digits++;
    } while (v);
    for (int pad = SIZE_COLUMNS - n; pad > 0; pad--)
        *p++ = ' ';
    while (n)
        *p++ = tmp[--n];
    return p;
}

/* Writes the name cut or padded to 65 characters; a UTF-8 sequence counts as one character. */
static inline char *put_padded_name(char *p, const char *name)
{
    unsigned chars = 0;
    const unsigned char *s = (const unsigned char *)name;
    for (; *s; s++) {
        if ((*s & 0xC0) != 0x80) {
            if (chars == NAME_COLUMNS)
                break;
            chars++;
        }
        *p++ = (char)*s;
    }
    for (; chars < NAME_COLUMNS; chars++)
        *p++ = ' ';
    return p;
}

static void write_file_line(const char *name, uint64_t size, int64_t mtime)
{
    /* name: at most 255 bytes + 65 blanks; size, " bytes ", time stamp: under 64 */
    char *start = out_reserve(255 + NAME_COLUMNS + 128);
    char *p = put_padded_name(start, name);
    p = put_size(p, size);
    memcpy(p, " bytes ", 7);
    p += 7;
    p = put_time_stamp(p, mtime);
    *p++ = '\r';
    *p++ = '\n';
    out_len += (size_t)(p - start);
}

/* ---- the walk -------------------------------------------------------------------------- */

static char path[1 << 16]; /* the folder being listed, with a trailing "/" */
static uint64_t start_dev_major, start_dev_minor;
static unsigned long long files_listed, folders_listed;

enum { KIND_SKIP, KIND_FILE, KIND_DIR, KIND_DIR_NOT_ENTERED };

struct entry {
    uint32_t name_at; /* offset of the name in the folder's dirent buffer */
    uint32_t kind;
    uint64_t size;
    int64_t mtime;
};

static void report(const char *what, const char *name, int err)
{
    fprintf(stderr, "floor: %s '%s%s': %s\n", what, path, name, strerror(err));
}

static void list_folder(int dir_fd, size_t path_len)
{
    /* read every record of the folder into one buffer */
    size_t cap = READ_CHUNK * 2, used = 0;
    char *buf = malloc(cap);
    if (!buf) {
        perror("floor");
        exit(1);
    }
    for (;;) {
        if (cap - used < READ_CHUNK) {
            cap *= 2;
            buf = realloc(buf, cap);
            if (!buf) {
                perror("floor");
                exit(1);
            }
        }
        long n = syscall(SYS_getdents64, dir_fd, buf + used, cap - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            report("cannot read", "", errno);
            break;
        }
        if (n == 0)
            break;
        used += (size_t)n;
    }

    size_t count = 0, entries_cap = 256;
    struct entry *entries = malloc(entries_cap * sizeof *entries);
    if (!entries) {
        perror("floor");
        exit(1);
    }
    size_t dirs = 0;
    for (size_t at = 0; at < used;) {
        struct linux_dirent64 *de = (struct linux_dirent64 *)(buf + at);
        const char *name = de->d_name;
        size_t here = at;
        at += de->d_reclen;
        if (name[0] == '.')
            continue;
        struct statx sx;
        if (statx(dir_fd, name, AT_NO_AUTOMOUNT,
                  STATX_TYPE | STATX_SIZE | STATX_MTIME, &sx) != 0) {
            report("cannot stat", name, errno);
            continue;
        }
        if (count == entries_cap) {
            entries_cap *= 2;
            entries = realloc(entries, entries_cap * sizeof *entries);
            if (!entries) {
                perror("floor");
                exit(1);
            }
        }
        struct entry *e = &entries[count++];
        e->name_at = (uint32_t)(here + offsetof(struct linux_dirent64, d_name));
        if (S_ISDIR(sx.stx_mode)) {
            int entered = de->d_type != DT_LNK && sx.stx_dev_major == start_dev_major &&
                          sx.stx_dev_minor == start_dev_minor;
            e->kind = entered ? KIND_DIR : KIND_DIR_NOT_ENTERED;
            dirs++;
        } else {
            e->kind = KIND_FILE;
            e->size = sx.stx_size;
            e->mtime = sx.stx_mtime.tv_sec;
        }
    }

    /* folder heading */
    out_line("", 0);
    out_line("Volume:    ", 11);
    out_bytes("Directory: ", 11);
    out_line(path, path_len);
    out_line("", 0);
    folders_listed++;

    /* sub-folder lines, then file lines */
    if (dirs) {
        for (size_t i = 0; i < count; i++) {
            if (entries[i].kind == KIND_DIR || entries[i].kind == KIND_DIR_NOT_ENTERED) {
                const char *name = buf + entries[i].name_at;
                out_bytes("<DIR> ", 6);
                out_line(name, strlen(name));
            }
        }
        out_line("", 0);
    }
    for (size_t i = 0; i < count; i++) {
        if (entries[i].kind == KIND_FILE) {
            write_file_line(buf + entries[i].name_at, entries[i].size, entries[i].mtime);
            files_listed++;
        }
    }

    /* then into each sub-folder */
    for (size_t i = 0; dirs && i < count; i++) {
        if (entries[i].kind != KIND_DIR)
            continue;
        const char *name = buf + entries[i].name_at;
        size_t len = strlen(name);
        if (path_len + len + 2 > sizeof path) {
            report("path too long", name, ENAMETOOLONG);
            continue;
        }
        int fd = openat(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            report("cannot open", name, errno);
            continue;
        }
        memcpy(path + path_len, name, len);
        path[path_len + len] = '/';
        path[path_len + len + 1] = '\0';
        list_folder(fd, path_len + len + 1);
        path[path_len] = '\0';
        close(fd);
    }
    free(entries);
    free(buf);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: floor START_FOLDER OUTPUT_FILE\n");
        return 2;
    }
    for (size_t i = 0; i < CACHED_DAYS; i++)
        day_offset[i] = UNKNOWN_OFFSET;
    tzset();

    char *real = realpath(argv[1], NULL);
    if (!real) {
        fprintf(stderr, "floor: cannot find '%s': %s\n", argv[1], strerror(errno));
        return 1;
    }
    size_t len = strlen(real);
    if (len + 2 > sizeof path) {
        fprintf(stderr, "floor: path too long\n");
        return 1;
    }
    memcpy(path, real, len);
    if (len == 0 || path[len - 1] != '/')
        path[len++] = '/';
    path[len] = '\0';
    free(real);

    int root = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct statx sx;
    if (root < 0 || statx(root, "", AT_EMPTY_PATH, STATX_TYPE, &sx) != 0) {
        fprintf(stderr, "floor: cannot open '%s': %s\n", path, strerror(errno));
        return 1;
    }
    start_dev_major = sx.stx_dev_major;
    start_dev_minor = sx.stx_dev_minor;

    out_path = argv[2];
    out_fd = open(out_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out_fd < 0) {
        fprintf(stderr, "floor: cannot open '%s': %s\n", out_path, strerror(errno));
        return 1;
    }
    out_buf = malloc(OUT_BUFFER_SIZE);
    if (!out_buf) {
        perror("floor");
        return 1;
    }

    out_line("", 0);
    out_line("", 0);
    out_line(hyphens, sizeof hyphens - 1);
    list_folder(root, len);
    for (int i = 0; i < 3; i++)
        out_line(hyphens, sizeof hyphens - 1);
    out_flush();
    close(root);
    if (close(out_fd) != 0) {
        fprintf(stderr, "floor: cannot close '%s': %s\n", out_path, strerror(errno));
        return 1;
    }
    fprintf(stderr, "floor: %llu folders, %llu files\n", folders_listed, files_listed);
    return 0;
}
