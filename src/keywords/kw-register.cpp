// "REGISTER": the product registration of the registration runs.
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"

#include "base/identity.h"
#include "register/register.h"


static bool IsRegistrationMode(int32_t mode) {
    return mode == MODE_REGISTER_STANDALONE || mode == MODE_REGISTER_APPLICATION ||
           mode == MODE_REGISTER_INSTALLER;
}

int DoRegister(InstallScript* script, const char* arguments, int32_t* consumed) {
    char address[REGISTER_FIELD_SIZE];
    char payloadText[REGISTER_FIELD_SIZE];
    char question[REGISTER_FIELD_SIZE];
    ReadField(arguments, address, sizeof address, consumed);
    ReadField(arguments, payloadText, sizeof payloadText, consumed);
    ReadField(arguments, question, sizeof question, consumed);

    if (IsRegistrationMode(script->runMode) &&
        !RegisterProduct(question, address, payloadText, script)) {
        // Declined, cancelled or not sent: "DONE" must not treat the run as
        // a registration.
        script->runMode = MODE_NONE;
    }
    script->textField[0] = '\0';
    return 1;
}
