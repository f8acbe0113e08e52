// The address book with 10,000 people: filling the contact tree (read, group,
// build the nodes, paint) and showing a selected contact (its row read by
// name, the form filled). Goals: fill at most 100 ms, show at most 5 ms.
//
//   QT_QPA_PLATFORM=offscreen build/bench/annivo_bench_address_book

#include "PeopleGenerator.h"
#include "storage/CAdoDatabase.h"
#include "ui_CAvAddressList.h"
#include "views/CAvAddressList.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

struct ShownBook {
    ShownBook() : people(10'000) {
        g_ConnectionString = people.Database();
        view = std::make_unique<CAvAddressList>(prompter, [] {});
        view->resize(760, 520);
        view->show();
        QApplication::processEvents();
    }
    QTreeWidget& Tree() { return *view->Controls().contactTree; }
    int ContactCount() {
        int count = 0;
        for (int i = 0; i < Tree().topLevelItemCount(); ++i)
            count += Tree().topLevelItem(i)->childCount();
        return count;
    }

    PeopleDirectory people;
    CountingPrompter prompter;
    std::unique_ptr<CAvAddressList> view;
};

void BM_FillAddressTree(benchmark::State& state) {
    ShownBook book;
    for (auto _ : state) {
        book.view->FillTree();
        book.Tree().viewport()->repaint();
    }
    if (book.prompter.told > 0 || book.ContactCount() != 10'000)
        state.SkipWithError("the tree is not the 10,000 people it should be");
}
BENCHMARK(BM_FillAddressTree)->Unit(benchmark::kMillisecond);

// Each iteration selects another contact, in a group of its own far from the
// last. Argument 0: a database made before names were indexed.
void BM_ShowContact(benchmark::State& state) {
    ShownBook book;
    if (state.range(0) == 0) {
        CAdoDatabase db(g_ConnectionString);
        db.Open();
        db.Execute("DROP INDEX IF EXISTS TiXingByName");
    }
    std::vector<QTreeWidgetItem*> contacts;
    for (int i = 0; i < book.Tree().topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = book.Tree().topLevelItem(i);
        for (int k = 0; k < group->childCount(); k += 997)
            contacts.push_back(group->child(k));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        book.Tree().setCurrentItem(contacts[next]);
        next = (next + 1) % contacts.size();
    }
    if (book.prompter.told > 0 || book.view->ShownName().empty())
        state.SkipWithError("no contact was shown");
}
BENCHMARK(BM_ShowContact)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace
