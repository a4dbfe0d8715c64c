/* The least a listing of visible entries must do: read the folder once and ask each
 * entry for its stored DOS attributes (the hidden and system bits), relative to the
 * folder, then print the visible names.  `ls -f` does only the first half; timing this
 * beside it shows what the attribute read alone costs.
 * Usage: listing_floor FOLDER */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

struct xattr_args {
  uint64_t value;
  uint32_t size;
  uint32_t flags;
};

static int hidden(int dfd, const char* folder, const char* name) {
  char value[64];
  struct xattr_args args = {(uintptr_t)value, sizeof value - 1, 0};
  long n = syscall(464, dfd, name, 0, "user.DOSATTRIB", &args, sizeof args);
  if (n < 0 && (errno == ENOSYS || errno == EPERM)) {
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    n = getxattr(path, "user.DOSATTRIB", value, sizeof value - 1);
  }
  if (n <= 0) return 0;
  value[n] = '\0';
  return (strtol(value, NULL, 16) & 0x6) != 0; /* hidden 0x2, system 0x4 */
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DIR* d = opendir(argv[1]);
  if (d == NULL) return 1;
  const int dfd = dirfd(d);
  for (struct dirent* e; (e = readdir(d)) != NULL;) {
    if (e->d_name[0] == '.' || hidden(dfd, argv[1], e->d_name)) continue;
    puts(e->d_name);
  }
  closedir(d);
  return 0;
}
