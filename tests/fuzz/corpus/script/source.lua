local t = {1, "two", x = 3.5}
function f(a, ...) return #t + select("#", ...) end
for i, v in ipairs(t) do print(i, v) end
return f(1, 2)
