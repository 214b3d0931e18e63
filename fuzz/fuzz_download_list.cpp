// Arbitrary bytes as the download list kept between runs: reading never crashes, a list that
// reads has only rows with an address and a known state, and what is read survives being
// saved and read again.
#include "DownloadListModel.h"
#include "DownloadListStore.h"
#include "FuzzSupport.h"

using namespace quenlit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Application();
    static const QString path = fuzz::ScratchFolder() + u"/DownloadList.jsonl"_qs;
    fuzz::WriteFixture(path, fuzz::Bytes(data, size));
    const DownloadListStore store(path);
    const DownloadListStore::Loaded loaded = store.load();
    if (loaded.outcome != DownloadListStore::Loaded::Outcome::Loaded) {
        fuzz::Require(loaded.rows.isEmpty(), "a damaged list gives no rows");
        return 0;
    }
    DownloadListModel list;
    for (const DownloadRow& row : loaded.rows) {
        fuzz::Require(!row.key.isEmpty(), "a row has an address");
        fuzz::Require(row.state >= DownloadRow::Waiting && row.state <= DownloadRow::Failed,
                      "a row has a known state");
        if (list.append(row.key, row.name))
            list.modify(list.count(), [&](DownloadRow& kept) { kept = row; });
    }
    QString error;
    fuzz::Require(store.save(list, error), "a list saves", error);
    const DownloadListStore::Loaded again = store.load();
    fuzz::Require(again.outcome == DownloadListStore::Loaded::Outcome::Loaded &&
                      again.rows.size() == list.count(),
                  "a saved list reads back");
    for (int i = 0; i < list.count(); ++i) {
        const DownloadRow& before = list.row(i + 1);
        const DownloadRow& after = again.rows[i];
        fuzz::Require(
            before.key == after.key && before.name == after.name && before.type == after.type &&
                before.size == after.size && before.downloaded == after.downloaded &&
                before.percent == after.percent && before.saveFolder == after.saveFolder &&
                before.tag == after.tag && before.state == after.state,
            "a row survives a round trip", before.key);
    }
    return 0;
}
