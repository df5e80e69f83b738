Attribute VB_Name = "M"
Public Sub Long_
  Name(a As Integer, _
   b As Long) ' tail
  x = 1
  End If
End If
Private Static Function F(x)
  y = "it's"
Property Get P() As Long
End Property
Property Let P(v As Long)
Sub NoEnd()
  Foo _
