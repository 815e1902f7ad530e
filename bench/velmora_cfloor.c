/* The floor of a command-line listing as a whole process, in plain C: readdir the folder, then
 * open, fstat, pread the last 128 bytes and close each ".mp3" file, one after another, printing
 * one line for each. With --head the first ten bytes are read too (one pread more), as the scan
 * does to note an ID3v2 tag. Usage: velmora-cfloor [--head] FOLDER */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    const int head = argc == 3 && strcmp(argv[1], "--head") == 0;
    if (argc != 2 + head) {
        fprintf(stderr, "usage: velmora-cfloor [--head] FOLDER\n");
        return 2;
    }
    const char *folder = argv[1 + head];
    DIR *dir = opendir(folder);
    if (!dir)
        return 1;
    const int dirFd = dirfd(dir);
    char trailer[128], first[10];
    struct dirent *entry;
    while ((entry = readdir(dir))) {
        const size_t length = strlen(entry->d_name);
        if (length <= 4 || strcasecmp(entry->d_name + length - 4, ".mp3") != 0)
            continue;
        const int fd = openat(dirFd, entry->d_name, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (fstat(fd, &st) == 0) {
            if (head && st.st_size >= 10 && pread(fd, first, sizeof first, 0) != sizeof first)
                st.st_size = 0;
            if (st.st_size >= 128 && pread(fd, trailer, sizeof trailer, st.st_size - 128) == 128
                && memcmp(trailer, "TAG", 3) == 0)
                printf("%s\t%.30s\t%.30s\n", entry->d_name, trailer + 3, trailer + 33);
            else
                printf("%s\n", entry->d_name);
        }
        close(fd);
    }
    closedir(dir);
    return 0;
}
