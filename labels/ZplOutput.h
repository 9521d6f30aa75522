#pragma once

#include "labels/ZplWriter.h"

#include <QString>

#include <memory>
#include <optional>
#include <variant>

class QIODevice;

namespace Labels {

// Where a ZPL stream goes: one of a file, a printer's raw port, a CUPS queue.
struct ZplTarget {
    QString file; // written whole or not at all
    QString host; // a printer's raw port
    int port = 9100;
    QString queue; // a CUPS queue taking a raw job
};

// "socket://HOST" or "socket://HOST:PORT" as a target; nullopt for anything else.
std::optional<ZplTarget> socketTarget(const QString& address);

// A ZPL stream built whole before it goes anywhere: beside a file that it replaces only once
// it is whole, or into an unnamed temporary file that goes to the printer's socket or CUPS
// queue at commit, so that memory stays flat and nothing is half sent that need not be.
class ZplOutput : public ZplWriter {
  public:
    // Why the output cannot be made, a file that cannot be written for one.
    static std::variant<std::unique_ptr<ZplOutput>, QString> open(const ZplTarget& target,
                                                                  const LabelTemplate& roll,
                                                                  const QString& typeName,
                                                                  const ZplSettings& settings);
    ~ZplOutput() override;

    std::optional<QString> commit() override;
    // Labels the stream holds: when sending failed part way, the message says how many went.
    qint64 labels() const;

  private:
    ZplOutput(std::unique_ptr<QIODevice> spool, const ZplTarget& target, const LabelTemplate& roll,
              const QString& typeName, const ZplSettings& settings);
    std::optional<QString> sendToSocket();
    std::optional<QString> sendToQueue();

    std::unique_ptr<QIODevice> spool_;
    ZplTarget target_;
};

} // namespace Labels
