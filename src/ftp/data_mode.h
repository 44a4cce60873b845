#pragma once

// How a session opens its data connections: passive, the client connects to
// the server (EPSV, then PASV); active, the server connects back to a port
// the client announces (PORT).
enum class DataMode { Passive, Active };
