#pragma once

#include "cli/CommandLine.h"
#include "labels/TemplateCatalog.h"
#include "labels/ZplWriter.h"

#include <memory>
#include <variant>

// labels for thermal roll printers: the roll --label describes, and ZPL to a file, to a
// printer's raw port or to a CUPS queue as a raw job.
namespace Thermal {

// Whether the labels go out as ZPL: --format zpl, an --out ending in .zpl, or a socket address.
bool wantsZpl(const CommandLine::Invocation& args);

// The roll that --label, --gap, --across, --across-gap and --media describe, as a template of
// one row; the usage problem when they describe none.
std::variant<Labels::LabelTemplate, QString> rollOf(const CommandLine::Invocation& args);

// A ZPL stream built whole before it goes anywhere: beside a file that it replaces only once
// it is whole, or into an unnamed temporary file that goes to the printer's socket or CUPS
// queue at commit, so that memory stays flat and nothing is half sent that need not be.
class ZplOutput : public Labels::ZplWriter {
  public:
    // The output that --out or --printer names; why it cannot be made, as a usage problem.
    static std::variant<std::unique_ptr<ZplOutput>, QString>
    open(const CommandLine::Invocation& args, const Labels::LabelTemplate& roll,
         const QString& typeName);
    ~ZplOutput() override;

    std::optional<QString> commit() override;
    // Labels the stream holds: when sending failed part way, the message says how many went.
    qint64 labels() const;

  private:
    struct Target;
    ZplOutput(std::unique_ptr<QIODevice> spool, std::unique_ptr<Target> target,
              const Labels::LabelTemplate& roll, const QString& typeName,
              const Labels::ZplSettings& settings);
    std::optional<QString> sendToSocket();
    std::optional<QString> sendToQueue();

    std::unique_ptr<QIODevice> spool_;
    std::unique_ptr<Target> target_;
};

} // namespace Thermal
