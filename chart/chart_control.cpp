#include "chart/chart_control.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

TChartControl::TChartControl(TrendChartModel& chart, int pageSize) : Chart(chart)
{
    if (pageSize < MinPageSize)
        throw std::invalid_argument("page size must be at least 2");
    SetPageSize(pageSize);
    Chart.setRecordAxisWindow(1, pageSize_);
    pageCount_ = 1;
    currentPage_ = 1;
}

void TChartControl::recomputePageCount()
{
    // Page p holds the record positions 1 + (p - 1) * size to p * size; position 0 (the
    // placeholder, or the first point after a clear) lies left of page 1. Counting the points
    // instead of the highest position would make a page of its own out of a full last page,
    // and paging back from it would end left of record 1.
    const std::size_t n = Chart.pointCount();
    const auto size = static_cast<std::size_t>(pageSize_);
    const std::size_t highest = n > 0 ? n - 1 : 0;
    const std::size_t pages = std::max<std::size_t>(1, highest / size + (highest % size > 0 ? 1 : 0));
    // More pages than an int holds needs more points than memory does; clamp anyway.
    pageCount_ = pages > static_cast<std::size_t>(std::numeric_limits<int>::max())
                     ? std::numeric_limits<int>::max()
                     : static_cast<int>(pages);
}

void TChartControl::scrollPages(int steps, int direction)
{
    for (int i = 0; i < steps; ++i)
        Chart.scrollRecordAxis(static_cast<double>(direction) * pageSize_);
}

void TChartControl::AddValue(double value)
{
    Chart.addPointToAllSeries(value);
    recomputePageCount();
    if (!browsing_) {
        // Moves only once the new point lies beyond the window's right edge.
        Chart.scrollRecordAxis(pageSize_);
        currentPage_ = pageCount_;
    }
}

bool TChartControl::SetPageSize(int size)
{
    if (size == pageSize_ || size < MinPageSize)
        return false;
    pageSize_ = size;
    // Both bounds at once: setting the minimum 1 first would be refused while the
    // window stands left of record 1 (after paging back past the placeholder).
    Chart.setRecordAxisWindow(1, pageSize_);
    recomputePageCount();
    scrollPages(pageCount_ - 1, +1);
    currentPage_ = pageCount_;
    browsing_ = false;
    return true;
}

void TChartControl::FirstPage()
{
    if (pageCount_ < 2 || currentPage_ == 1)
        return;
    scrollPages(currentPage_ - 1, -1);
    currentPage_ = 1;
    browsing_ = true;
}

void TChartControl::LastPage()
{
    if (pageCount_ < 2 || currentPage_ == pageCount_)
        return;
    scrollPages(pageCount_ - currentPage_, +1);
    currentPage_ = pageCount_;
    browsing_ = false;
}

void TChartControl::ShowPageOf(std::int64_t record)
{
    const std::int64_t wanted = record < 1 ? 1 : (record - 1) / pageSize_ + 1;
    const int page = int(std::clamp<std::int64_t>(wanted, 1, pageCount_));
    if (page > currentPage_)
        scrollPages(page - currentPage_, +1);
    else
        scrollPages(currentPage_ - page, -1);
    currentPage_ = page;
    browsing_ = page != pageCount_;
}

void TChartControl::NextPage()
{
    if (pageCount_ < 2 || currentPage_ == pageCount_)
        return;
    Chart.scrollRecordAxis(pageSize_);
    currentPage_ += 1;
    browsing_ = currentPage_ != pageCount_;
}

void TChartControl::PreviousPage()
{
    if (currentPage_ < 2)
        return;
    Chart.scrollRecordAxis(-static_cast<double>(pageSize_));
    currentPage_ -= 1;
    browsing_ = true;
}

void TChartControl::ClearChart()
{
    FirstPage();
    Chart.emptyAllSeries();
    browsing_ = false;
    // No page beyond the first is left to step to: a count kept from before would let the
    // page buttons walk the window past record 1.
    recomputePageCount();
}
