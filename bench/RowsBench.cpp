// What drawing the listing costs: one torrent row redrawn as the table does for a reused row, and a 2,000-row list
// scrolled from top to bottom (rows made, and time per screenful).
#include "gui/platform/Fonts.h"
#include "gui/platform/Images.h"
#include "gui/platform/TableView.h"
#include "gui/ui/TorrentItemTableViewCell.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using marrowfin::TorrentItemTableViewCell;

void fill(TorrentItemTableViewCell& row, int index)
{
    row.setNameLbl(u"The Amber Lighthouse and the Drumlin Harbour (2011) 720p WEB-DL %1"_s.arg(index));
    row.setDateLbl(u"38 min."_s);
    row.setSizeLbl(u"16.15 GB"_s);
    row.setUpLbl(QString::number(index * 7 % 1000));
    row.setDownLbl(QString::number(index * 3 % 100));
    row.setTypeImg(marrowfin::imageNamed(u"movies", QSize(33, 33)));
    row.setUpImg(marrowfin::imageNamed(u"up.jpg"));
    row.setDownImg(marrowfin::imageNamed(u"down.jpg"));
    row.setDownloadedImg(index % 5 == 0 ? marrowfin::imageNamed(u"downloaded.png") : QPixmap());
}

void BM_RedrawReusedRow(benchmark::State& state)
{
    TorrentItemTableViewCell row(u"TorrentCell"_s);
    row.resize(320, 37);
    QImage canvas(320, 37, QImage::Format_ARGB32_Premultiplied);
    int index = 0;
    for (auto _ : state) {
        row.prepareForReuse();
        fill(row, ++index);
        row.render(&canvas);
    }
}
BENCHMARK(BM_RedrawReusedRow);

class Rows final : public marrowfin::TableViewDataSource
{
public:
    [[nodiscard]] int numberOfRows() const override { return 2000; }
    [[nodiscard]] marrowfin::TableViewCell* cellForRow(int row) override
    {
        auto* cell = static_cast<TorrentItemTableViewCell*>(table->dequeueReusableCell(u"TorrentCell"_s));
        if (!cell) {
            cell = new TorrentItemTableViewCell(u"TorrentCell"_s);
            ++made;
        }
        fill(*cell, row);
        cell->setNeedsDisplay();
        return cell;
    }
    [[nodiscard]] int heightForRow(int) const override { return 37; }
    void didSelectRow(int) override {}

    marrowfin::TableView* table = nullptr;
    int made = 0;
};

void BM_ScrollTwoThousandRows(benchmark::State& state)
{
    Rows rows;
    marrowfin::TableView table(rows);
    rows.table = &table;
    table.resize(375, 600);
    table.show();
    table.reloadData();
    QScrollBar* bar = table.verticalScrollBar();
    QImage canvas(table.size(), QImage::Format_ARGB32_Premultiplied);
    int screens = 0;
    for (auto _ : state) {
        for (int value = 0; value <= bar->maximum(); value += bar->pageStep()) {
            bar->setValue(value);
            table.render(&canvas);
            ++screens;
        }
        bar->setValue(0);
    }
    state.counters["rows_made"] = rows.made;
    state.counters["screens_per_s"] = benchmark::Counter(screens, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScrollTwoThousandRows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    marrowfin::installFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
