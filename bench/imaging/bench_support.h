#pragma once
// Pieces the imaging benchmarks share: camera-like test pictures and running
// an outside tool as the reference of a ratio.
#include <QImage>
#include <string>
#include <vector>

namespace zbbench {

// A photo-like picture: soft gradients, rings and fine sensor noise, so that
// it compresses like a camera file (a few MB at 12 megapixels).
QImage cameraLike(int w, int h, unsigned seed);

// The picture of file number `index` of a series: `base` with a band of 64
// lines drawn anew, so that every file of the series differs.
QImage cameraLikeFile(const QImage& base, int index);

// What one run of an outside tool took, with its output thrown away: wall
// time and CPU time (user + system) in seconds, both negative when the tool
// could not start or failed.
struct ToolTimes {
    double wall = -1;
    double cpu = -1;
    bool ok() const { return wall >= 0; }
};
ToolTimes runTool(const std::vector<std::string>& args);

}  // namespace zbbench
