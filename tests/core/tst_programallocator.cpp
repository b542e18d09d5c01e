// The heap settings of the programs: memory freed at the heap's top stays for the next task
// instead of going back to the system (and being faulted in again, page by page).

#include "ProgramAllocator.h"

#include <QTest>

#include <cstdlib>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define LUM_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUM_SANITIZED_HEAP 1
#endif
#endif

class TstProgramAllocator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freedMemoryStaysInTheHeap() {
#if defined(LUM_SANITIZED_HEAP)
        QSKIP("the address sanitizer's allocator takes the place of the C library's heap");
#elif !defined(__GLIBC__)
        QSKIP("the settings are those of the GNU C library's heap");
#else
        UseProgramAllocator();
        // Twenty megabytes of lines, as a text import holds them, freed in one go: with the
        // library's own settings the heap gives most of it back as the last ones go.
        std::vector<void *> blocks(100000);
        for (void *&block : blocks)
            block = std::malloc(200);
        void *const top = sbrk(0);
        for (void *block : blocks)
            std::free(block);
        QCOMPARE(sbrk(0), top);
#endif
    }
};

QTEST_GUILESS_MAIN(TstProgramAllocator)
#include "tst_programallocator.moc"
