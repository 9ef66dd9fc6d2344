#pragma once
// TChartControl: pages the trend chart's record axis. It knows the page size, how many
// pages the data fills and which page is shown, and it follows the newest data until
// the user pages away ("browsing"); new points then only raise the page count.
//
// The window is only ever moved by whole page steps from where it stands, and each
// step is limit-checked by the chart. The page count is what the highest record position
// needs, so every step the pager counts finds data to move to, and the page number is
// always the page the window shows.
#include "chart/trend_chart_model.h"

#include <cstdint>

class TChartControl {
public:
    // The smallest page. A page of one record would be a window of no width, with its only
    // record on both edges at once.
    static constexpr int MinPageSize = 2;

    // Create: the chart is not owned and is left alone when the pager goes.
    // A page size below MinPageSize is refused with std::invalid_argument.
    TChartControl(TrendChartModel& chart, int pageSize);

    // Adds the value to every series and follows the newest page unless browsing.
    void AddValue(double value);
    // Restarts at page 1 and steps to the last page of the new size. A size equal to
    // the current one, or below MinPageSize, changes nothing; returns whether the size was taken.
    bool SetPageSize(int size);
    void FirstPage();
    void PreviousPage();
    void NextPage();
    void LastPage();
    // The page that holds `record` (clamped to the pages there are), browsing unless it is the last.
    void ShowPageOf(std::int64_t record);
    // Back to the first page, every series emptied, following again; one page.
    void ClearChart();

    int CurrentPage() const { return currentPage_; }
    int PageSize() const { return pageSize_; }
    int PageCount() const { return pageCount_; }
    bool Browsing() const { return browsing_; }

private:
    void recomputePageCount();
    void scrollPages(int steps, int direction);

    TrendChartModel& Chart;
    int currentPage_ = 0;
    int pageSize_ = 0;
    int pageCount_ = 0;
    bool browsing_ = false;
};
