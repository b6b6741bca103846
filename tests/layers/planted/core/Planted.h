#pragma once
// What the format-name check must find: a format named in code, not in a comment.
// VST 2 hosts, CLAP hosts and LV2 hosts may be named here.
/* as here, CLAP */
namespace planted {
inline constexpr int kLv2Port = 1;
}
