#pragma once

namespace veltroma {

class ProfileFile;
class Prompt;

// Called before a dialog whose commands carry no inverter address sends anything: true when
// `settings` names one inverter on the bus. Otherwise the user is told through `prompt` why
// the dialog cannot work and what to do, and the answer is false. User-interface thread.
bool confirmOneInverterOnBus(Prompt& prompt, const ProfileFile& settings);

} // namespace veltroma
