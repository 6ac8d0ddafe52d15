#pragma once

// Commands of the graph tool bar and the "Graph Setting" menu, sent to the current data view.
namespace GraphCommand {

constexpr int kMove = 32771;
constexpr int kRect = 32772;
constexpr int kXBig = 32773;
constexpr int kYBig = 32774;
constexpr int kShowNumber = 32777;
constexpr int kAll = 32778;
constexpr int kSetting = 32780;
constexpr int kFFT = 32792;
constexpr int kMeasure = 32801; //!< figures of a dragged span of readings

} // namespace GraphCommand
