// The scan-check grader on any reflectance profile, expected text and bar position: a graded
// line with every grade from 0 to 4, never a crash or a hang.
#include "FuzzInput.h"
#include "decode/ScanGrade.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const auto symbology =
        static_cast<LineDecode::Linear>(input.byte() % (int(LineDecode::Linear::UpcE) + 1));
    const double firstBarNear = input.int32() / 16.0, lastBarNear = input.int32() / 16.0;
    QByteArray text;
    for (int length = input.byte() % 32; length > 0; --length)
        text += static_cast<char>(input.byte());
    std::vector<double> reflectance; // percent, one sample per pixel
    for (const char sample : input.rest())
        reflectance.push_back(static_cast<std::uint8_t>(sample) * 100.0 / 255);
    const ScanGrade::Line line = ScanGrade::gradeProfile(
        reflectance, symbology, QString::fromLatin1(text), firstBarNear, lastBarNear);
    for (const int grade : line.grades)
        if (grade < 0 || grade > 4) std::abort();
    return 0;
}
