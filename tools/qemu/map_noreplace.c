/* Preloaded into the 32-bit Wine processes that run under qemu-i386 (the
 * emulated i686 route of tools/i686-route).
 *
 * Wine reserves the 32-bit address space in pieces with
 * mmap(hint, MAP_FIXED_NOREPLACE): a piece that is taken fails with EEXIST,
 * and Wine halves it and tries again. qemu 7.2 does not know the flag and
 * treats the hint as a plain hint, placing a taken piece elsewhere instead of
 * failing. Wine keeps what lands above 2 GB, the top of the space fills with
 * its own reservations, and the reservation of the upper 2 GB then fails in
 * every one of its 32768 pieces of 64 KB: about 65,000 mmap and munmap
 * calls, and close to a minute, for each process start.
 *
 * Here a mapping that asks for MAP_FIXED_NOREPLACE and lands elsewhere is
 * undone and fails with EEXIST, as the kernel would have failed it. Every
 * other call goes to the C library unchanged.
 *
 * Built freestanding (gcc -m32 -nostdlib): the three symbols it needs are
 * the C library's, already in the process. */

#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void *)-1)
#define RTLD_NEXT ((void *)-1l)
#define EEXIST 17

typedef unsigned int size_t;
extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);

typedef void *(*mmap64_call)(void *, size_t, int, int, int, long long);
typedef void *(*mmap_call)(void *, size_t, int, int, int, long);
typedef int (*munmap_call)(void *, size_t);

/* The result of a MAP_FIXED_NOREPLACE request that the emulator placed at
 * <got> instead of <wanted>. */
static void *placed(void *wanted, void *got, size_t length) {
  static munmap_call real_munmap;
  if (got == MAP_FAILED || got == wanted) return got;
  if (!real_munmap) real_munmap = (munmap_call)dlsym(RTLD_NEXT, "munmap");
  real_munmap(got, length);
  *__errno_location() = EEXIST;
  return MAP_FAILED;
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, long long offset) {
  static mmap64_call real;
  if (!real) real = (mmap64_call)dlsym(RTLD_NEXT, "mmap64");
  if (!(flags & MAP_FIXED_NOREPLACE)) return real(addr, length, prot, flags, fd, offset);
  return placed(addr, real(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset), length);
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset) {
  static mmap_call real;
  if (!real) real = (mmap_call)dlsym(RTLD_NEXT, "mmap");
  if (!(flags & MAP_FIXED_NOREPLACE)) return real(addr, length, prot, flags, fd, offset);
  return placed(addr, real(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset), length);
}
