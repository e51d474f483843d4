#include "BlockPool.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

using namespace quillmark;

class TestBlockPool : public QObject
{
    Q_OBJECT

private slots:
    void blocksAreDistinctReusedAndGiveBackTheirChunks_data();
    void blocksAreDistinctReusedAndGiveBackTheirChunks();
};

void TestBlockPool::blocksAreDistinctReusedAndGiveBackTheirChunks_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<bool>("reverse");
    // An item's size, and one the pool must round up to keep blocks aligned.
    QTest::newRow("72-byte blocks, freed first to last") << 72 << false;
    QTest::newRow("13-byte blocks, freed last to first") << 13 << true;
}

// Blocks spanning several chunks hold what is written to them; blocks freed
// are handed out again before any new chunk is taken; and once all are free
// no chunk is left.
void TestBlockPool::blocksAreDistinctReusedAndGiveBackTheirChunks()
{
    QFETCH(int, blockSize);
    QFETCH(bool, reverse);
    BlockPool pool{size_t(blockSize)};
    const int count = int(3 * BlockPool::chunkBytes / size_t(blockSize));
    std::vector<unsigned char *> blocks;
    for (int i = 0; i < count; ++i) {
        auto *block = static_cast<unsigned char *>(pool.allocate());
        QCOMPARE(reinterpret_cast<quintptr>(block) % alignof(void *), quintptr(0));
        std::memset(block, i & 0xff, size_t(blockSize));
        blocks.push_back(block);
    }
    for (int i = 0; i < count; ++i)
        QCOMPARE(int(blocks[size_t(i)][blockSize - 1]), i & 0xff);
    const size_t chunks = pool.chunkCount();
    QVERIFY(chunks >= 4);

    for (int i = 0; i < count; i += 2)
        pool.free(std::exchange(blocks[size_t(i)], nullptr));
    for (int i = 0; i < count; i += 2)
        blocks[size_t(i)] = static_cast<unsigned char *>(pool.allocate());
    QCOMPARE(pool.chunkCount(), chunks);

    if (reverse)
        std::reverse(blocks.begin(), blocks.end());
    for (unsigned char *block : blocks)
        pool.free(block);
    QCOMPARE(pool.chunkCount(), size_t(0));
}

QTEST_GUILESS_MAIN(TestBlockPool)
#include "tst_blockpool.moc"
