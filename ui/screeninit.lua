-- The window library: the Lua half of the window API. Run once by the
-- window script under the name "gScreenInit", before any other script.
-- Dialog files build windows from tables and wait for messages here.

LUA_PATH = "?;../?;../../?"

-- Alignment bits, button types, layers and placement codes.
kHAlignLeft, kHAlignCenter, kHAlignRight = 0, 1, 2
kVAlignTop, kVAlignCenter, kVAlignBottom = 0, 4, 8
kPush, kToggle, kRadio = 0, 1, 2
kAllLayers = -1
kCenter, kMax = 80000, 160000
kDefault = 128
kPushButtonAlignment = kHAlignCenter + kVAlignCenter
kRadioButtonAlignment = kHAlignLeft + kVAlignCenter
kToggleButtonAlignment = kHAlignCenter + kVAlignCenter

-- Message types.
kGeneric, kCloseWindow, kDefaultAction, kButtonPress, kPressAnyKey = 0, 1, 2, 3, 4
kQuitNow, kModalClosed, kTextEditChanged, kCommandOnly = 5, 6, 7, 8
kSliderValChanged, kSliderMouseUp, kSliderPageUp, kSliderPageDown = 9, 10, 11, 12
kUserMessageBase = 1000

-- Keys of the game-state functions.
kCmdLine, kLevel, kSubLevel, kPause, kMute = "cmdline", "level", "sublevel", "pause", "mute"
kBreakNow, kScore, kGameMode, kGameOver = "breaknow", "score", "gamemode", "gameover"
kRestartButton, kSystemMode, kMaxLevel = "restartbutton", "systemmode", "maxlevel"
kGameName, kGameVersion = "gamename", "version"
kHiscoreLocalOnly, kHiscoreAnonymous = "hiscorelocal", "hiscoreanon"

idtable = {}
gParent = {}
gCurrentDefaultStyle = {}
gCurID = 100
gBeginGroup = 0
gReturnValue = nil
gClosedWindows = {}
gCommandQueue = {}
gMessageQueue = {}
gDialogTable = {}

-- The longest style "parent" chain GetTag follows (a cyclic chain ends there).
local kMaxStyleChain = 32

---------------------------------------------------------------------------
-- Building windows

function Color(r, g, b, a)
  return { r / 255, g / 255, b / 255, (a or 255) / 255 }
end

function FColor(r, g, b, a)
  return { r, g, b, a or 1 }
end

function Push(t) table.insert(gParent, 1, t) end
function Pop() table.remove(gParent, 1) end

function DoDialogCommand(i, f)
  if type(f) == "function" then f() end
end

function MakeDialog(t)
  local saved = gCurrentDefaultStyle
  if t.name and t.name ~= "" then SetWindowName(t.name) end
  for i, f in ipairs(t) do DoDialogCommand(i, f) end
  typename = t.typename
  SetDefaultStyle(saved)
  if typename then PostCreate(t, typename) end
end

-- Creates the window in the current window, builds its children and makes
-- the parent current again. A window that could not be made (unknown type,
-- refused by its parent) leaves the current window alone.
function DoWindow(t)
  t.beginGroup = gBeginGroup
  gBeginGroup = 0
  if GenericCreate(t) then
    MakeDialog(t)
    PopWindow()
  end
end

function Creating(name, t) end
function CustomCreator(x) end

function SetBeginGroup() gBeginGroup = 1 end
function BeginGroup() return function() SetBeginGroup() end end

-- A key of a style table: the table, then the default style and its parents.
function GetTag(t, key, inherited, depth)
  depth = depth or 0
  if type(t) ~= "table" or depth > kMaxStyleChain then return nil end
  local v = t[key]
  if v ~= nil then return v end
  if not inherited then return GetTag(gCurrentDefaultStyle, key, true, depth + 1) end
  if t.parent then return GetTag(t.parent, key, true, depth + 1) end
  return nil
end

function SetDefaultStyle(s) gCurrentDefaultStyle = s end
function SetStyle(s) return function() SetDefaultStyle(s) end end

-- Chains s to the current default style and makes it the default. A style
-- already on the chain would make it cyclic: it only becomes the default.
function AppendStyle(s)
  return function()
    local p, n = gCurrentDefaultStyle, 0
    while type(p) == "table" and n <= kMaxStyleChain do
      if p == s then
        DebugOut("AppendStyle: the style is already in the default style's chain; not chained again")
        SetDefaultStyle(s)
        return
      end
      p, n = p.parent, n + 1
    end
    s.parent = gCurrentDefaultStyle
    SetDefaultStyle(s)
  end
end

function SetFocus(name) RealSetFocus(name) end
function SetDefault(x) return function() end end

function DistributeX(n)
  local t = {}
  divisor = n + 1
  for i = 1, n do
    d = i / divisor * gDialogWidth
    t[i] = d
  end
  return t
end

function DistributeY(n)
  local t = {}
  local div = n + 1
  for i = 1, n do t[i] = i / div * gDialogHeight end
  return t
end

function SelectLayer(n) return function() DoSelectLayer(n) end end
function Group(t) return function() MakeDialog(t) end end
function FitToChildren() return function() DoFitToChildren() end end

function SetBitmap(name, file, scale) _SetBitmap(name, file, scale or 1) end

function GetString(id, a1, a2, a3, a4, a5)
  return _GetString(id, a1 or "", a2 or "", a3 or "", a4 or "", a5 or "")
end

function SetState(key, v)
  if v == true then v = 1 elseif v == false then v = 0 end
  if _SetState then _SetState(tostring(key), tostring(v)) end
end

function RegisterHotkey(key, button)
  if key and button then _RegisterHotkey(key, button) end
end

-- Runs a dialog file from the asset folder; false (logged) when it cannot
-- be read or compiled.
function ReadFile(f)
  local chunk, err = loadfile("assets/" .. f)
  if not chunk then
    DebugOut("ReadFile: " .. tostring(err))
    return false
  end
  chunk()
  return true
end

---------------------------------------------------------------------------
-- Modal dialogs and messages

-- A command (a button's action) in a coroutine of its own: its error is
-- logged and ends only the command, never the message loop that runs it. It
-- may still open dialogs and wait; the loop waits until it is done.
local function RunCommand(cmd)
  local result
  _RunCommand(function() result = cmd() end)
  return result
end

-- The next message: queued ones first (newest first), else the next one the
-- window manager hands over. A command that comes with it runs before the
-- message is returned. Nil after a time-out or a close request.
function WaitForMessage(timeout, skipQueue)
  if not skipQueue and #gMessageQueue > 0 then
    return table.remove(gMessageQueue)
  end
  local msg, cmd = HandleGetMessage(timeout)
  if cmd then
    gYieldResult = RunCommand(cmd)
  elseif #gCommandQueue > 0 then
    local c = table.remove(gCommandQueue)
    gYieldResult = RunCommand(c)
  end
  return msg
end

function FlushMessages()
  while HandleGetMessage(1) do end
  gCommandQueue = {}
  gMessageQueue = {}
end

function Yield() coroutine.yield() end

-- The close of the awaited window comes to this wait whichever coroutine
-- gets the other messages (_AwaitClose): a wait for a window that closed
-- never stays suspended. A close recorded before the wait ends it at once.
function WaitForCloseMessage(name)
  _AwaitClose(name)
  while not gClosedWindows[name] do
    local msg = WaitForMessage()
    gLastMessage = msg
    if msg and msg.type == kModalClosed then
      if msg.name == name then break end
      gClosedWindows[msg.name] = true
    end
  end
  gClosedWindows[name] = nil
  _AwaitClose()
end

local function TakeReturnValue()
  local r = gReturnValue
  gReturnValue = nil
  return r
end

function DoModal(file)
  local id = PushModal(file)
  if not ReadFile(file) then
    DoPopModal(id)
    return nil
  end
  DoFitToChildren()
  WaitForCloseMessage(id)
  return TakeReturnValue()
end

function DoMainWindow(file)
  local id = PushModal(file)
  local depth = GetWindowDepth()
  if not ReadFile(file) then
    DoPopModal(id)
    return
  end
  DoFitToChildren()
  _AwaitClose(id)
  while GetWindowDepth() >= depth do
    gLastMessage = WaitForMessage()
  end
  gClosedWindows[id] = nil
  _AwaitClose()
end

function DisplayDialog(t)
  local file = t[1]
  if not file or file == "" then
    DebugOut("DisplayDialog called with empty script; aborting")
    return
  end
  local id = PushModal(file)
  gDialogTable = t
  if not ReadFile(file) then
    DoPopModal(id)
    return nil
  end
  WaitForCloseMessage(id)
  return TakeReturnValue()
end

function ModalReturn(v) gReturnValue = v end

function CloseWindow(v)
  PostMessage(CreateCloseMessage())
  if v ~= nil then ModalReturn(v) end
end

function PopModal(name) DoPopModal(name) end

function SwapToModal(file)
  ClearModalChildren()
  ReadFile(file)
  DoFitToChildren()
end

-- Waits `ms` milliseconds; with anyKey a press of any key or button ends it
-- early. Other messages are queued again for the next WaitForMessage.
function Pause(ms, anyKey)
  local stop = GetTimer() + ms
  while GetTimer() < stop do
    local msg = WaitForMessage(stop - GetTimer(), true)
    if msg then
      if anyKey and msg.type == kPressAnyKey then return end
      table.insert(gMessageQueue, msg)
    end
  end
end

function DisplaySplash(movie, image, duration)
  local id = PushModal("DisplaySplash")
  local playing, loaded = false, false
  if movie and movie ~= "" then
    playing = StartMovie(movie, GetTag({}, "translate") or false, GetTag({}, "allowInput") or false)
  end
  if not playing and image and image ~= "" and Bitmap then
    Bitmap{ name = "splashimage", image = image, autoscale = true }()
    loaded = ImageLoaded("splashimage")
    local overlay = GetTag({}, "splashoverlay")
    if type(overlay) == "table" then Group(overlay)() end
  end
  local stop = GetTimer() + (duration or 0)
  if playing or loaded then
    while true do
      if playing then
        if not IsMoviePlaying() then break end
      elseif GetTimer() >= stop then
        break
      end
      local wait = playing and 50 or (stop - GetTimer())
      local msg = WaitForMessage(wait, true)
      if msg then
        if msg.type == kCloseWindow then break end
        if msg.type == kModalClosed and msg.name == id then break end
        if msg.type == kPressAnyKey and not GetTag({}, "disableAbort") then break end
      end
    end
  end
  if playing then StopMovie() end
  DoPopModal(id)
end
