ardour {
	["type"]    = "dsp",
	name        = "ZK Test Signal",
	category    = "Utility",
	license     = "MIT",
	author      = "zephyrkettledrome.org",
	description = [[scripts/check-ardour-session's input: bursts of tones that depend on the transport position alone, silence while the transport stands, so that every render of a range hears the same input.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local rate = 48000

function dsp_init (r)
	rate = r
end

function dsp_run (ins, outs, n_samples)
	local rolling = Session:transport_rolling ()
	local start = Session:transport_sample ()
	for c = 1, 2 do
		local out = outs[c]:array ()
		local high = c == 1 and 1800 or 3100
		for i = 1, n_samples do
			local v = 0
			if rolling then
				local t = (start + i - 1) / rate
				if t % 0.5 < 0.2 then
					v = 0.3 * math.sin (2 * math.pi * 220 * t) + 0.2 * math.sin (2 * math.pi * high * t)
				end
			end
			out[i] = v
		end
	end
end
