#include "platform/posix/freed_memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tv {

void setUpMemoryForALongRun() {
#if defined(__GLIBC__)
  // Set once, the threshold stays: glibc would otherwise raise it to the size of every
  // large block freed, and the next large blocks would come from the heap again.
  (void)mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
  // Besides the top of the heap, glibc gives back every whole free page inside it.
  (void)malloc_trim(0);
#endif
}

}  // namespace tv
