#pragma once

namespace quenlit {

class Registry;
class Shell;
class MessageSink;

// Starts the system information program the registry names, or says it is unavailable.
void StartSystemInfoTool(const Registry& registry, Shell& shell, MessageSink& messages);

} // namespace quenlit
