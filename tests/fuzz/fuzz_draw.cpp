// Every draw command on any code text and slider position: a drawing or a refusal, nothing else.
#include "FuzzInput.h"
#include "app/DrawCommands.h"
#include "symbology/RuntimeError.h"

#include <QGuiApplication>

#include <cstdlib>

namespace {

class IgnoredMessages : public MessageBoxes {
  public:
    void show(const QString&, const QString&, MessageIcon) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The digit codes write their digits in a font: a display-free application provides it.
    // It gets no arguments of the fuzzer's to take for its own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_draw";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const QStringList& names = DrawCommands::symbologyNames();
    const QString type = names[input.byte() % names.size()];
    static IgnoredMessages messages;
    DrawModel model;
    model.setMessages(&messages);
    model.widthValue = 1 + input.byte() % DrawModel::kWidthMax;
    model.heightValue = input.byte() % (DrawModel::kHeightClamp + 1);
    model.codeText = QString::fromLatin1(input.rest());
    try {
        DrawCommands::commandFor(type)(model);
    } catch (const RuntimeError&) {
        // a refused text
    }
    if (model.outputPicture.image().isNull()) std::abort();
    return 0;
}
