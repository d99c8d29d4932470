# Turns schema.sql into a header holding its text, so the tool and the tests need no file beside them.
file(READ "${IN}" content)
file(WRITE "${OUT}" "#pragma once\ninline constexpr const char kSchemaSql[] = R\"schema(${content})schema\";\n")
