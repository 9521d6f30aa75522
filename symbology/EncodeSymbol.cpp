#include "symbology/EncodeSymbol.h"

#include "symbology/Code128.h"
#include "symbology/Code39.h"
#include "symbology/Ean.h"
#include "symbology/UpcA.h"

Symbol encodeSymbol(const SymbologyChoice& choice, const QString& codeText) {
    switch (choice.symbology) {
    case Symbology::Code39:
        return Code39::EncodeCode39(codeText, choice.checkCharacter, choice.caption);
    case Symbology::Code128:
        return Code128::EncodeCode128(codeText, choice.caption);
    case Symbology::Ean13:
        return Ean::encodeEan13(codeText);
    case Symbology::Ean8:
        return Ean::encodeEan8(codeText);
    case Symbology::UpcA:
        return UpcA::encode(codeText);
    }
    return {};
}
