#include "frontpanel/FrontPanelRules.h"

std::string RefusedCharacterMessage(TSpinRefusal why) {
    switch (why) {
    case TSpinRefusal::NotWhole: return "Whole decibels only";
    case TSpinRefusal::NotNumber: return "Digits only";
    case TSpinRefusal::EditorDisabled: break;
    }
    return {};
}
