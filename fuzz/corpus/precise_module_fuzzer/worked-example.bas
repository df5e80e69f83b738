Attribute VB_Name = "Module1"
Sub Main()
    Call Bump(1)
    Total = Bump(2) + Twice(Bump(3))
End Sub
Private Function Bump(n As Integer) As Integer
    Bump = n + 1
End Function
Public Function Twice(n As Integer) As Integer
    Twice = Bump(n) * 2
End Function
