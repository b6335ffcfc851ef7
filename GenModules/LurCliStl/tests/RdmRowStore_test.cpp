// The row store and the change journal of the stored tables: grouping, ids,
// removal, copies, and how journal operations accumulate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RdmChangeJournal.h"
#include "RdmRowStore.h"

namespace {

constexpr int32_t kSize = 4;

std::string Text(const std::vector<char>& record) { return std::string(record.begin(), record.end()); }

// Ids of a row sequence, in order.
std::vector<int32_t> Ids(const RdmRowList& rows) {
    std::vector<int32_t> ids;
    for (const RdmStoredRow* row : rows) ids.push_back(row->id);
    return ids;
}

// Rows "aaaa" (group 7), "bbbb" (group 8), "cccc" (group 7): ids 0, 1, 2.
RdmRowStore ThreeRows() {
    RdmRowStore store(kSize);
    store.Insert(7, "aaaa");
    store.Insert(8, "bbbb");
    store.Insert(7, "cccc");
    return store;
}

}  // namespace

TEST(RdmRowStoreTest, RowsAreGroupedAndCopied) {
    RdmRowStore store = ThreeRows();
    EXPECT_EQ(Ids(store.AllRows()), (std::vector<int32_t>{0, 1, 2}));
    ASSERT_NE(store.FindGroup(7), nullptr);
    EXPECT_EQ(Ids(store.FindGroup(7)->rows), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(store.FindGroup(9), nullptr);
    EXPECT_EQ(Text(store.FindById(2)->record), "cccc");
    EXPECT_EQ(store.IndexInGroup(7, store.FindById(2)), 1);
    EXPECT_EQ(store.IndexInGroup(8, store.FindById(2)), -1);
    EXPECT_EQ(RdmRowStore::IndexOfId(store.AllRows(), 1), 1);
    EXPECT_EQ(RdmRowStore::IndexOfId(store.AllRows(), 5), -1);

    EXPECT_TRUE(store.UpdateById(1, "BBBB"));
    EXPECT_EQ(Text(store.FindById(1)->record), "BBBB");
    EXPECT_FALSE(store.UpdateById(9, "zzzz"));
}

TEST(RdmRowStoreTest, EmptiedGroupStaysAndIdsRestartAfterClear) {
    RdmRowStore store = ThreeRows();
    store.RemoveRow(1);
    ASSERT_NE(store.FindGroup(8), nullptr);
    EXPECT_TRUE(store.FindGroup(8)->rows.empty());
    store.RemoveRow(42);  // no such row: nothing changes
    EXPECT_EQ(Ids(store.AllRows()), (std::vector<int32_t>{0, 2}));

    const RdmStoredRow* reused = store.Insert(8, "dddd");
    EXPECT_EQ(reused->id, 3);
    EXPECT_EQ(Ids(store.FindGroup(8)->rows), (std::vector<int32_t>{3}));

    store.RemoveGroup(7);
    EXPECT_EQ(Ids(store.AllRows()), (std::vector<int32_t>{3}));
    EXPECT_EQ(store.FindGroup(7), nullptr);

    store.Clear();
    EXPECT_TRUE(store.IsEmpty());
    EXPECT_EQ(store.Insert(1, "eeee")->id, 0);
    EXPECT_EQ(store.GetRecordSize(), kSize);
}

TEST(RdmRowStoreTest, RowsLeaveFromEitherEndAndTheMiddle) {
    RdmRowStore store(kSize);
    for (int i = 0; i < 5; ++i) store.Insert(1, "rrrr");
    for (const int32_t id : {0, 4, 2}) store.RemoveRow(id);
    EXPECT_EQ(Ids(store.AllRows()), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(Ids(store.FindGroup(1)->rows), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(store.FindById(2), nullptr);
}

TEST(RdmRowStoreTest, AssignKeepsIdsRecordsAndEachGroupsOrder) {
    RdmRowStore source = ThreeRows();
    source.Insert(7, "dddd");  // id 3
    source.Insert(9, "eeee");  // id 4
    source.RemoveRow(4);       // group 9 left empty
    // A sorted group: its order differs from the insertion order.
    RdmRowGroup* sorted = source.FindGroup(7);
    sorted->rows = {source.FindById(3), source.FindById(0), source.FindById(2)};
    sorted->sortKey = "NAME";

    RdmRowStore copy(8);
    copy.Insert(1, "xxxxxxxx");
    copy.Assign(source);
    EXPECT_EQ(copy.GetRecordSize(), kSize);
    EXPECT_EQ(Ids(copy.AllRows()), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(Ids(copy.FindGroup(7)->rows), (std::vector<int32_t>{3, 0, 2}));
    EXPECT_EQ(copy.FindGroup(7)->sortKey, "NAME");
    EXPECT_EQ(copy.FindGroup(8)->rows.size(), 1U);
    EXPECT_EQ(copy.FindGroup(9), nullptr);
    EXPECT_EQ(Text(copy.FindById(3)->record), "dddd");
    EXPECT_EQ(copy.FindById(3)->group, 7);
    EXPECT_EQ(copy.GetNextId(), 5);
    // The copy owns its records.
    source.UpdateById(3, "zzzz");
    EXPECT_EQ(Text(copy.FindById(3)->record), "dddd");
}

// Rows live in blocks of the store, and a removed row's place is taken
// again: every row keeps bytes of its own through all of it, a copy too,
// and rows stored after a change of the record size have the new size.
TEST(RdmRowStoreTest, RowsKeepTheirOwnBytesAcrossBlocksRemovalsAndReuse) {
    RdmRowStore store(kSize);
    const auto image = [](int32_t id) {
        std::string text = "r" + std::to_string(id % 1000);
        text.resize(kSize, '.');
        return text;
    };
    for (int32_t id = 0; id < 300; ++id) store.Insert(id % 7, image(id).c_str());
    for (int32_t id = 0; id < 300; id += 3) store.RemoveRow(id);
    for (int32_t id = 300; id < 450; ++id) store.Insert(id % 7, image(id).c_str());
    store.UpdateById(301, image(999).c_str());
    const RdmRowStore copy(store);
    store.RemoveGroup(3);
    for (int32_t id = 450; id < 500; ++id) store.Insert(3, image(id).c_str());
    for (const RdmRowStore* rows : {static_cast<const RdmRowStore*>(&store), &copy}) {
        for (int32_t id = 0; id < 500; ++id) {
            const RdmStoredRow* row = rows->FindById(id);
            const bool kept = (id >= 300 || id % 3 != 0) && (rows == &copy ? id < 450 : id >= 450 || id % 7 != 3);
            ASSERT_EQ(row != nullptr, kept) << id;
            if (row) {
                EXPECT_EQ(Text(row->record), image(id == 301 ? 999 : id)) << id;
            }
        }
    }
    EXPECT_EQ(store.Count(), static_cast<int32_t>(store.AllRows().size()));

    store.SetRecordSize(6);
    const RdmStoredRow* wider = store.Insert(1, "wider!");
    EXPECT_EQ(Text(wider->record), "wider!");
    EXPECT_EQ(Text(store.FindById(301)->record), image(999));
}

TEST(RdmChangeJournalTest, OperationsAccumulateAsBits) {
    struct Case {
        std::vector<uint8_t> operations;
        uint8_t bits;
    };
    const std::vector<Case> cases = {
        {{RdmChangeJournal::kInsert}, 2},
        {{RdmChangeJournal::kInsert, RdmChangeJournal::kUpdate}, 6},
        {{RdmChangeJournal::kInsert, RdmChangeJournal::kDelete}, 3},
        {{RdmChangeJournal::kInsert, RdmChangeJournal::kUpdate, RdmChangeJournal::kDelete}, 7},
        {{RdmChangeJournal::kUpdate, RdmChangeJournal::kDelete}, 5},
        {{RdmChangeJournal::kUpdate, RdmChangeJournal::kUpdate}, 4},
    };
    for (const Case& c : cases) {
        RdmChangeJournal journal(kSize);
        const char* images[] = {"img1", "img2", "img3"};
        for (size_t i = 0; i < c.operations.size(); ++i) {
            if (!journal.Merge(c.operations[i], 5, images[i])) journal.Add(c.operations[i], 5, images[i], 7);
        }
        const RdmJournalEntry* entry = journal.Find(5);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->operation, c.bits);
        EXPECT_EQ(Text(entry->record), images[c.operations.size() - 1]) << "the latest image is kept";
        EXPECT_EQ(entry->group, 7);
    }
}

TEST(RdmChangeJournalTest, MergeWithoutEntryCreatesNothingAndCopiesAreOwned) {
    RdmChangeJournal journal(kSize);
    EXPECT_EQ(journal.Merge(RdmChangeJournal::kUpdate, 1, "aaaa"), nullptr);
    EXPECT_TRUE(journal.IsEmpty());
    journal.Add(RdmChangeJournal::kDelete, 1, "aaaa");
    journal.Add(RdmChangeJournal::kInsert, 2, "bbbb");

    RdmChangeJournal copy;
    copy.Assign(journal);
    journal.Merge(RdmChangeJournal::kUpdate, 2, "cccc");
    journal.Remove(1);
    EXPECT_FALSE(journal.Contains(1));
    EXPECT_TRUE(copy.Contains(1));
    EXPECT_EQ(copy.Find(2)->operation, RdmChangeJournal::kInsert);
    EXPECT_EQ(Text(copy.Find(2)->record), "bbbb");
    EXPECT_EQ(copy.GetRecordSize(), kSize);
    journal.Clear();
    EXPECT_TRUE(journal.IsEmpty());
}
