// RdmSrvObject: the shared holder count of a server object.
#include "RdmSrvObject.h"

#include <gtest/gtest.h>

#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A server object that only counts what the server is asked to do.
class Probe : public RdmSrvObject {
public:
    explicit Probe(int* drops) : m_drops(drops) {}
    Probe(const Probe& other) = default;
    ~Probe() override { Release(); }

protected:
    int32_t CreateOnServer(int32_t* id) override {
        *id = 77;
        return 0;
    }
    int32_t DropOnServer(int32_t) override {
        ++*m_drops;
        return 0;
    }

private:
    int* m_drops;
};

TEST(RdmSrvObject, TheLastOfSeveralHoldersDropsOnce) {
    int drops = 0;
    {
        Probe first(&drops);
        ASSERT_EQ(first.Open(nullptr), 0);
        std::vector<Probe> copies(3, first);
        copies.clear();
        EXPECT_EQ(drops, 0);
        EXPECT_EQ(first.GetId(), 77);
    }
    EXPECT_EQ(drops, 1);
}

// More holders than the count can tell: the count sticks at its maximum and
// the server object is never dropped, neither early nor twice.
TEST(RdmSrvObject, ACountAtItsMaximumNeverDropsTheObject) {
    int drops = 0;
    {
        Probe first(&drops);
        {
#if defined(__SANITIZE_ADDRESS__)
            // The stuck handle record is leaked on purpose.
            __lsan::ScopedDisabler leakIsIntended;
#endif
            ASSERT_EQ(first.Open(nullptr), 0);
        }
        std::vector<Probe> copies;
        copies.reserve(RdmSrvHandle::kStuckRefs + 10);
        for (int i = 0; i < RdmSrvHandle::kStuckRefs + 10; ++i) copies.push_back(first);
        copies.erase(copies.begin() + static_cast<std::ptrdiff_t>(copies.size() / 2), copies.end());
        EXPECT_EQ(drops, 0);
        EXPECT_EQ(copies.back().GetId(), 77);
    }
    EXPECT_EQ(drops, 0);
}

}  // namespace
