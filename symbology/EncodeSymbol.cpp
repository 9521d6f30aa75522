#include "symbology/EncodeSymbol.h"

#include "symbology/Code128.h"
#include "symbology/Code39.h"
#include "symbology/EAN13and8.h"
#include "symbology/modUPC.h"

Symbol encodeSymbol(const SymbologyChoice& choice, const QString& codeText) {
    switch (choice.symbology) {
    case Symbology::Code39:
        return Code39::EncodeCode39(codeText, choice.checkCharacter, choice.caption);
    case Symbology::Code128:
        return Code128::EncodeCode128(codeText, choice.caption);
    case Symbology::Ean13:
        return EAN13and8::EncodeEAN13(codeText);
    case Symbology::Ean8:
        return EAN13and8::EncodeEAN8(codeText);
    case Symbology::UpcA:
        return modUPC::EncodeUPCA(codeText);
    }
    return {};
}
